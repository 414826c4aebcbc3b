// Reads presentations with Apache POI, all in one JVM so that the corpus costs
// one start-up. Each line of LIST names one output, tab-separated:
//   TEMPLATE OUTPUT TITLE_FILE [LEFT TOP WIDTH HEIGHT]
// TEMPLATE is "-" for none. The output has the template's slides and titles
// and one slide more, which follows the main master of the one before it and
// is titled with TITLE_FILE's UTF-8 text. On it sits the viewer control: its
// ProgID, its storage's class id (VIEWER_CLSID in the environment), its
// anchor (given, or 600 x 400 points centred 2 points under the title) and a
// metafile picture naming TITLE.zbn. The save set the document properties
// and kept the template's own.
//
//   java PptChecker LIST
import java.awt.geom.Rectangle2D;
import java.io.*;
import java.nio.*;
import java.nio.charset.StandardCharsets;
import java.nio.file.*;
import java.util.*;

import org.apache.poi.hpsf.DocumentSummaryInformation;
import org.apache.poi.hpsf.SummaryInformation;
import org.apache.poi.hslf.record.*;
import org.apache.poi.hslf.record.Record;
import org.apache.poi.hslf.usermodel.*;
import org.apache.poi.poifs.filesystem.POIFSFileSystem;
import org.apache.poi.sl.usermodel.PictureData.PictureType;

public final class PptChecker {
    private static int failures = 0;

    private static void check(boolean ok, String what) {
        if (!ok) {
            System.out.println("FAIL: " + what);
            failures++;
        }
    }

    private static HSLFSlideShow open(String path) throws Exception {
        try (InputStream in = Files.newInputStream(Paths.get(path))) {
            return new HSLFSlideShow(in);
        }
    }

    private static ExControl findControl(HSLFSlideShow show, HSLFShape shape) {
        ExObjRefAtom ref = shape.getClientDataRecord(RecordTypes.ExObjRefAtom.typeID);
        ExObjList list = show.getDocumentRecord().getExObjList(false);
        for (Record r : ref == null || list == null ? new Record[0] : list.getChildRecords()) {
            if (r instanceof ExControl c && c.getExOleObjAtom().getObjID() == ref.getExObjIdRef()) return c;
        }
        return null;
    }

    // The text an EMF draws: its EMR_EXTTEXTOUTW records' strings, joined.
    private static String metafileText(byte[] emf) {
        ByteBuffer b = ByteBuffer.wrap(emf).order(ByteOrder.LITTLE_ENDIAN);
        StringBuilder text = new StringBuilder();
        for (int at = 0; at + 8 <= emf.length && b.getInt(at + 4) >= 8; at += b.getInt(at + 4)) {
            if (b.getInt(at) == 84) {
                text.append(new String(emf, at + b.getInt(at + 48), 2 * b.getInt(at + 44), StandardCharsets.UTF_16LE));
            }
        }
        return text.toString();
    }

    // The class id of the control's storage, as POI's reader finds it.
    private static String storageClsid(HSLFSlideShow show, ExControl control) throws Exception {
        for (HSLFObjectData data : show.getEmbeddedObjects()) {
            if (data.getExOleObjStg().getPersistId() == control.getExOleObjAtom().getObjStgDataRef()) {
                try (POIFSFileSystem storage = new POIFSFileSystem(data.getInputStream())) {
                    return storage.getRoot().getStorageClsid().toString();
                }
            }
        }
        return null;
    }

    // The main master of a slide, through its title master if it has one.
    private static int mainMaster(HSLFSlide slide) {
        HSLFMasterSheet master = slide.getMasterSheet();
        if (master instanceof HSLFTitleMaster t) master = t.getMasterSheet();
        return master == null ? -1 : master._getSheetNumber();
    }

    private static double[] viewerAnchor(HSLFSlideShow show, HSLFSlide last) {
        double top = Double.NaN;
        for (HSLFShape shape : last.getShapes()) {
            if (shape instanceof HSLFTextShape t && t.getRunType() == TextHeaderAtom.TITLE_TYPE) {
                top = shape.getAnchor().getY() + shape.getAnchor().getHeight() + 2;
            }
        }
        return new double[] {show.getPageSize().getWidth() / 2 - 300, top, 600, 400};
    }

    private static void checkControl(HSLFSlideShow show, HSLFSlide last, String title, double[] anchor)
            throws Exception {
        boolean found = false;
        for (HSLFShape shape : last.getShapes()) {
            ExControl control = findControl(show, shape);
            if (control == null || !"TRELVO.TrelvoCtrl.1".equals(control.getProgId())) continue;
            found = true;
            String clsid = storageClsid(show, control);
            check(System.getenv("VIEWER_CLSID").equalsIgnoreCase(clsid), "the control's class id " + clsid);
            Rectangle2D a = shape.getAnchor();
            double[] got = {a.getX(), a.getY(), a.getWidth(), a.getHeight()};
            for (int i = 0; i < 4; i++) {
                check(Math.abs(got[i] - anchor[i]) < 0.07, "control anchor " + a + ", expected " + Arrays.toString(anchor));
            }
            HSLFPictureData picture = shape instanceof HSLFPictureShape p ? p.getPictureData() : null;
            check(picture != null && picture.getType() == PictureType.EMF
                      && metafileText(picture.getData()).contains(title + ".zbn"),
                  "the control's picture is not a metafile naming " + title + ".zbn");
        }
        check(found, "no ActiveX control TRELVO.TrelvoCtrl.1 on the last slide");
    }

    // A save sets the slide count and when and by what it was saved.
    private static void checkProperties(HSLFSlideShow show, int slides, String custom) {
        SummaryInformation summary = show.getSlideShowImpl().getSummaryInformation();
        DocumentSummaryInformation document = show.getSlideShowImpl().getDocumentSummaryInformation();
        check(summary != null && document != null, "no document properties");
        if (summary == null || document == null) return;
        check(document.getSlideCount() == slides, "slide count property " + document.getSlideCount());
        check("Zbn2PPT".equals(summary.getApplicationName()), "application " + summary.getApplicationName());
        Date saved = summary.getLastSaveDateTime();
        check(saved != null && Math.abs(saved.getTime() - System.currentTimeMillis()) < 3600_000L, "last saved " + saved);
        check(custom == null || custom.equals(String.valueOf(document.getCustomProperties())),
              "custom properties " + document.getCustomProperties() + ", the template's " + custom);
    }

    private static void checkOutput(String[] f) throws Exception {
        int before = failures;
        List<String> titles = new ArrayList<>();
        String custom = null;
        boolean blank = f[0].equals("-"), templateRead = blank;
        if (!blank) {
            try (HSLFSlideShow template = open(f[0])) {
                for (HSLFSlide slide : template.getSlides()) titles.add(slide.getTitle());
                DocumentSummaryInformation properties = template.getSlideShowImpl().getDocumentSummaryInformation();
                if (properties != null) custom = String.valueOf(properties.getCustomProperties());
                templateRead = true;
            } catch (Exception e) {
                System.out.println("note: POI cannot read the template itself (" + e + "); slides not compared");
            }
        }
        String title = new String(Files.readAllBytes(Paths.get(f[2])), StandardCharsets.UTF_8);
        try (HSLFSlideShow show = open(f[1])) {
            List<HSLFSlide> all = show.getSlides();
            int slides = templateRead ? titles.size() + 1 : all.size();
            check(all.size() == slides, "slide count " + all.size() + ", expected " + slides);
            for (int i = 0; i < titles.size() && i < all.size(); i++) {
                check(Objects.equals(titles.get(i), all.get(i).getTitle()),
                      "slide " + (i + 1) + " title \"" + all.get(i).getTitle() + "\", the template's \"" + titles.get(i) + "\"");
            }
            HSLFSlide last = all.get(all.size() - 1);
            check(title.equals(last.getTitle()), "last title \"" + last.getTitle() + "\", expected \"" + title + "\"");
            if (all.size() > 1) {
                int master = mainMaster(last), previous = mainMaster(all.get(all.size() - 2));
                check(master == previous, "the last slide follows master " + master + ", the one before it " + previous);
            }
            double[] anchor = f.length < 4 ? viewerAnchor(show, last)
                                           : Arrays.stream(f[3].split(" ")).mapToDouble(Double::parseDouble).toArray();
            checkControl(show, last, title, anchor);
            checkProperties(show, slides, custom);
            check(!blank || title.equals(show.getSlideShowImpl().getSummaryInformation().getTitle()), "the document's title");
        } catch (Exception e) {
            check(false, "POI cannot read " + f[1] + ": " + e);
        }
        System.out.println((failures == before ? "POI: ok " : "POI: FAILED ") + f[1]);
    }

    public static void main(String[] args) throws Exception {
        System.setOut(new PrintStream(System.out, true, "UTF-8"));
        for (String line : Files.readAllLines(Paths.get(args[0]), StandardCharsets.UTF_8)) {
            if (!line.isEmpty()) checkOutput(line.split("\t"));
        }
        System.exit(failures == 0 ? 0 : 1);
    }
}
