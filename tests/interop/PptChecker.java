// Reads a presentation with Apache POI and checks what the application must
// have written: the slide count, the last slide's title, and the viewer
// control (ProgID, anchor and size in points) on the last slide.
//
//   java PptChecker SLIDES TITLE_FILE PROGID LEFT TOP WIDTH HEIGHT < file.ppt
//
// The presentation comes on standard input and the title from a UTF-8 file,
// so that neither depends on how the JVM decodes its command line.
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Paths;
import java.util.List;

import org.apache.poi.hslf.model.ActiveXShape;
import org.apache.poi.hslf.record.ExControl;
import org.apache.poi.hslf.record.ExObjList;
import org.apache.poi.hslf.record.ExObjRefAtom;
import org.apache.poi.hslf.record.Record;
import org.apache.poi.hslf.record.RecordTypes;
import org.apache.poi.hslf.usermodel.HSLFShape;
import org.apache.poi.hslf.usermodel.HSLFSlide;
import org.apache.poi.hslf.usermodel.HSLFSlideShow;

public final class PptChecker {
    private static int failures = 0;

    private static void check(boolean ok, String what) {
        if (!ok) {
            System.out.println("FAIL: " + what);
            failures++;
        }
    }

    private static ExControl findControl(HSLFSlideShow show, HSLFShape shape) {
        if (shape instanceof ActiveXShape) {
            return ((ActiveXShape) shape).getExControl();
        }
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

    public static void main(String[] args) throws Exception {
        PrintStream out = new PrintStream(System.out, true, "UTF-8");
        System.setOut(out);
        if (args.length != 7) {
            System.out.println("usage: PptChecker SLIDES TITLE_FILE PROGID LEFT TOP WIDTH HEIGHT < file.ppt");
            System.exit(2);
        }
        int slides = Integer.parseInt(args[0]);
        String title = new String(Files.readAllBytes(Paths.get(args[1])), StandardCharsets.UTF_8);
        String progId = args[2];
        double[] anchor = {Double.parseDouble(args[3]), Double.parseDouble(args[4]),
                           Double.parseDouble(args[5]), Double.parseDouble(args[6])};

        try (HSLFSlideShow show = new HSLFSlideShow(System.in)) {
            List<HSLFSlide> all = show.getSlides();
            System.out.println("slides=" + all.size());
            for (int i = 0; i < all.size(); i++) {
                System.out.println("title." + (i + 1) + "=" + all.get(i).getTitle());
            }
            check(all.size() == slides, "slide count " + all.size() + ", expected " + slides);
            if (all.isEmpty()) System.exit(1);
            HSLFSlide last = all.get(all.size() - 1);
            check(title.equals(last.getTitle()), "last title \"" + last.getTitle() + "\", expected \"" + title + "\"");

            boolean found = false;
            for (HSLFShape shape : last.getShapes()) {
                ExControl control = findControl(show, shape);
                if (control == null) continue;
                java.awt.geom.Rectangle2D a = shape.getAnchor();
                System.out.println("control=" + control.getProgId() + " " + a.getX() + " " + a.getY() + " "
                                   + a.getWidth() + " " + a.getHeight() + " ("
                                   + shape.getClass().getSimpleName() + ")");
                if (!progId.equals(control.getProgId())) continue;
                found = true;
                check(Math.abs(a.getX() - anchor[0]) < 0.07 && Math.abs(a.getY() - anchor[1]) < 0.07
                          && Math.abs(a.getWidth() - anchor[2]) < 0.07
                          && Math.abs(a.getHeight() - anchor[3]) < 0.07,
                      "control anchor " + a + ", expected " + java.util.Arrays.toString(anchor));
            }
            check(found, "no ActiveX control with ProgID " + progId + " on the last slide");
        }
        System.exit(failures == 0 ? 0 : 1);
    }
}
