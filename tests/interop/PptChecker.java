// Reads presentations with Apache POI and checks what the application must
// have written, all in one JVM so that the whole corpus costs one start-up.
// Each line of LIST, tab-separated, names one output:
//   TEMPLATE OUTPUT TITLE_FILE [LEFT TOP WIDTH HEIGHT]
// TEMPLATE is "-" when the output was made without one. The output has one
// slide more than the template, the earlier slides' titles as POI reads them
// from the template, the last title read from TITLE_FILE (UTF-8, so that it
// does not depend on how the JVM decodes its command line) and the viewer
// control on the last slide: its ProgID, the class id of its storage
// (VIEWER_CLSID in the environment), its anchor (given, or 600 x 400 points
// centred on the slide 2 points under the last title) and its picture, a
// metafile naming TITLE.zbn. The slide follows the main master of the one
// before it, and the save set the document properties.
//
//   java PptChecker LIST
import java.io.InputStream;
import java.io.PrintStream;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;

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

    private static ExControl findControl(HSLFSlideShow show, HSLFShape shape) {
        ExObjRefAtom ref = shape.getClientDataRecord(RecordTypes.ExObjRefAtom.typeID);
        if (ref == null) return null;
        ExObjList list = show.getDocumentRecord().getExObjList(false);
        if (list == null) return null;
        for (Record r : list.getChildRecords()) {
            if (r instanceof ExControl
                    && ((ExControl) r).getExOleObjAtom().getObjID() == ref.getExObjIdRef()) {
                return (ExControl) r;
            }
        }
        return null;
    }

    // The text an EMF draws: its EMR_EXTTEXTOUTW records' strings, joined.
    private static String metafileText(byte[] emf) {
        ByteBuffer b = ByteBuffer.wrap(emf).order(ByteOrder.LITTLE_ENDIAN);
        StringBuilder text = new StringBuilder();
        for (int at = 0; at + 8 <= emf.length && b.getInt(at + 4) >= 8; at += b.getInt(at + 4)) {
            if (b.getInt(at) == 84) {
                text.append(new String(emf, at + b.getInt(at + 48), 2 * b.getInt(at + 44),
                                       StandardCharsets.UTF_16LE));
            }
        }
        return text.toString();
    }

    // The class id of the control's storage, as POI's reader finds it.
    private static String storageClsid(HSLFSlideShow show, ExControl control) throws Exception {
        int persistId = control.getExOleObjAtom().getObjStgDataRef();
        for (HSLFObjectData data : show.getEmbeddedObjects()) {
            if (data.getExOleObjStg().getPersistId() == persistId) {
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
        if (master instanceof HSLFTitleMaster) master = ((HSLFTitleMaster) master).getMasterSheet();
        return master == null ? -1 : master._getSheetNumber();
    }

    private static void checkShow(HSLFSlideShow show, int slides, String title, double[] anchor,
                                  List<String> earlierTitles) throws Exception {
        String progId = "TRELVO.TrelvoCtrl.1";
        List<HSLFSlide> all = show.getSlides();
        check(all.size() == slides, "slide count " + all.size() + ", expected " + slides);
        if (all.isEmpty()) return;
        for (int i = 0; i < earlierTitles.size() && i < all.size(); i++) {
            String expected = earlierTitles.get(i);
            String actual = all.get(i).getTitle();
            check(expected == null ? actual == null : expected.equals(actual),
                  "slide " + (i + 1) + " title \"" + actual + "\", the template's is \"" + expected + "\"");
        }
        HSLFSlide last = all.get(all.size() - 1);
        check(title.equals(last.getTitle()), "last title \"" + last.getTitle() + "\", expected \"" + title + "\"");
        if (all.size() > 1) {
            int before = mainMaster(all.get(all.size() - 2));
            int lastMaster = mainMaster(last);
            check(lastMaster == before, "the last slide follows master " + Integer.toHexString(lastMaster)
                                            + ", the slide before it " + Integer.toHexString(before));
        }

        boolean found = false;
        for (HSLFShape shape : last.getShapes()) {
            ExControl control = findControl(show, shape);
            if (control == null || !progId.equals(control.getProgId())) continue;
            java.awt.geom.Rectangle2D a = shape.getAnchor();
            found = true;
            String clsid = storageClsid(show, control);
            check(System.getenv("VIEWER_CLSID").equalsIgnoreCase(clsid), "the control's class id " + clsid);
            check(Math.abs(a.getX() - anchor[0]) < 0.07 && Math.abs(a.getY() - anchor[1]) < 0.07
                      && Math.abs(a.getWidth() - anchor[2]) < 0.07
                      && Math.abs(a.getHeight() - anchor[3]) < 0.07,
                  "control anchor " + a + ", expected " + Arrays.toString(anchor));
            HSLFPictureData picture =
                shape instanceof HSLFPictureShape ? ((HSLFPictureShape) shape).getPictureData() : null;
            check(picture != null && picture.getType() == PictureType.EMF
                      && metafileText(picture.getData()).contains(title + ".zbn"),
                  "the control's picture is not a metafile naming " + title + ".zbn");
        }
        check(found, "no ActiveX control with ProgID " + progId + " on the last slide");
    }

    private static double[] viewerAnchor(HSLFSlideShow show) {
        List<HSLFSlide> all = show.getSlides();
        double top = Double.NaN;
        if (!all.isEmpty()) {
            for (HSLFShape shape : all.get(all.size() - 1).getShapes()) {
                if (shape instanceof HSLFTextShape
                        && ((HSLFTextShape) shape).getRunType() == TextHeaderAtom.TITLE_TYPE) {
                    java.awt.geom.Rectangle2D a = shape.getAnchor();
                    top = a.getY() + a.getHeight() + 2;
                }
            }
        }
        return new double[] {show.getPageSize().getWidth() / 2 - 300, top, 600, 400};
    }

    // A save sets the slide count, when and by what it was saved; the
    // template's own properties stay.
    private static void checkSaveProperties(HSLFSlideShow show, int slides, String customProperties) {
        SummaryInformation summary = show.getSlideShowImpl().getSummaryInformation();
        DocumentSummaryInformation document = show.getSlideShowImpl().getDocumentSummaryInformation();
        if (summary == null || document == null) {
            check(false, "no document properties");
            return;
        }
        check(document.getSlideCount() == slides, "slide count property " + document.getSlideCount());
        check("Zbn2PPT".equals(summary.getApplicationName()), "application " + summary.getApplicationName());
        java.util.Date saved = summary.getLastSaveDateTime();
        check(saved != null && Math.abs(saved.getTime() - System.currentTimeMillis()) < 3600_000L,
              "last saved " + saved);
        if (customProperties != null) {
            check(customProperties.equals(String.valueOf(document.getCustomProperties())),
                  "custom properties " + document.getCustomProperties() + ", the template's " + customProperties);
        }
    }

    private static void checkOutput(String[] f) throws Exception {
        int before = failures;
        List<String> templateTitles = new ArrayList<>();
        int slides = f[0].equals("-") ? 1 : -1;
        String customProperties = null;
        if (slides < 0) {
            try (InputStream in = Files.newInputStream(Paths.get(f[0]));
                 HSLFSlideShow template = new HSLFSlideShow(in)) {
                for (HSLFSlide slide : template.getSlides()) templateTitles.add(slide.getTitle());
                slides = templateTitles.size() + 1;
                DocumentSummaryInformation properties = template.getSlideShowImpl().getDocumentSummaryInformation();
                if (properties != null) customProperties = String.valueOf(properties.getCustomProperties());
            } catch (Exception e) {
                System.out.println("note: POI cannot read the template itself (" + e
                                   + "); slide count and titles not compared");
            }
        }
        String title = new String(Files.readAllBytes(Paths.get(f[2])), StandardCharsets.UTF_8);
        try (InputStream in = Files.newInputStream(Paths.get(f[1]));
             HSLFSlideShow show = new HSLFSlideShow(in)) {
            if (slides < 0) slides = show.getSlides().size();
            double[] anchor = f.length < 4 ? viewerAnchor(show)
                                           : Arrays.stream(f[3].split(" ")).mapToDouble(Double::parseDouble).toArray();
            checkShow(show, slides, title, anchor, templateTitles);
            checkSaveProperties(show, slides, customProperties);
            if (f[0].equals("-")) {
                check(title.equals(show.getSlideShowImpl().getSummaryInformation().getTitle()), "the document's title");
            }
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
