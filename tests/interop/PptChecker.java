// Reads presentations with Apache POI, all in one JVM so that the corpus costs
// one start-up. Each line of LIST names one output, tab-separated:
//   TEMPLATE OUTPUT TITLE_FILE [LEFT TOP WIDTH HEIGHT]
// TEMPLATE is "-" for none. The output has the template's slides and titles
// and one slide more, which follows the main master of the one before it and
// is titled with TITLE_FILE's UTF-8 text. On it sits the viewer control: its
// ProgID, its anchor (given, or 600 x 400 points centred 2 points under the
// title) and a metafile picture.
//   java PptChecker LIST
import java.io.*;
import java.nio.charset.StandardCharsets;
import java.nio.file.*;
import java.util.*;

import org.apache.poi.hslf.record.*;
import org.apache.poi.hslf.record.Record;
import org.apache.poi.hslf.usermodel.*;
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

    // The main master of a slide, through its title master if it has one.
    private static int mainMaster(HSLFSlide slide) {
        HSLFMasterSheet master = slide.getMasterSheet();
        if (master instanceof HSLFTitleMaster t) master = t.getMasterSheet();
        return master == null ? -1 : master._getSheetNumber();
    }

    private static void checkControl(HSLFSlideShow show, HSLFSlide last, double[] anchor)
            throws Exception {
        boolean found = false;
        ExObjList list = show.getDocumentRecord().getExObjList(false);
        for (HSLFShape shape : last.getShapes()) {
            if (anchor == null && shape instanceof HSLFTextShape t && t.getRunType() == TextHeaderAtom.TITLE_TYPE) {
                anchor = new double[] {show.getPageSize().getWidth() / 2 - 300,
                                       t.getAnchor().getMaxY() + 2, 600, 400};
            }
            ExObjRefAtom ref = shape.getClientDataRecord(RecordTypes.ExObjRefAtom.typeID);
            for (Record r : ref == null || list == null ? new Record[0] : list.getChildRecords()) {
                if (!(r instanceof ExControl c) || c.getExOleObjAtom().getObjID() != ref.getExObjIdRef()
                        || !"TRELVO.TrelvoCtrl.1".equals(c.getProgId())) continue;
                found = true;
                java.awt.geom.Rectangle2D a = shape.getAnchor();
                double[] got = {a.getX(), a.getY(), a.getWidth(), a.getHeight()};
                for (int i = 0; i < 4; i++) {
                    check(Math.abs(got[i] - anchor[i]) < 0.07, "control anchor " + a + ", expected " + Arrays.toString(anchor));
                }
                HSLFPictureData picture = shape instanceof HSLFPictureShape p ? p.getPictureData() : null;
                check(picture != null && picture.getType() == PictureType.EMF, "the control's picture is no metafile");
            }
        }
        check(found, "no ActiveX control TRELVO.TrelvoCtrl.1 on the last slide");
    }

    private static void checkOutput(String[] f) throws Exception {
        int before = failures;
        List<String> titles = new ArrayList<>();
        boolean templateRead = f[0].equals("-");
        if (!templateRead) {
            try (HSLFSlideShow template = open(f[0])) {
                for (HSLFSlide slide : template.getSlides()) titles.add(slide.getTitle());
                templateRead = true;
            } catch (Exception e) {
                System.out.println("note: POI cannot read the template itself (" + e + "); slides not compared");
            }
        }
        String title = new String(Files.readAllBytes(Paths.get(f[2])), StandardCharsets.UTF_8);
        try (HSLFSlideShow show = open(f[1])) {
            List<HSLFSlide> all = show.getSlides();
            check(!templateRead || all.size() == titles.size() + 1, "slide count " + all.size() + ", expected " + (titles.size() + 1));
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
            checkControl(show, last, f.length < 4 ? null
                         : Arrays.stream(f[3].split(" ")).mapToDouble(Double::parseDouble).toArray());
            check(!f[0].equals("-") || title.equals(show.getSlideShowImpl().getSummaryInformation().getTitle()), "the document's title");
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
