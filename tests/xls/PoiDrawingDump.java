// PoiDrawingDump.java - lists the pictures and comments of a .xls file as Apache POI reads them.
import java.io.FileInputStream;
import org.apache.poi.hssf.usermodel.HSSFClientAnchor;
import org.apache.poi.hssf.usermodel.HSSFComment;
import org.apache.poi.hssf.usermodel.HSSFPatriarch;
import org.apache.poi.hssf.usermodel.HSSFPicture;
import org.apache.poi.hssf.usermodel.HSSFPictureData;
import org.apache.poi.hssf.usermodel.HSSFShape;
import org.apache.poi.hssf.usermodel.HSSFSheet;
import org.apache.poi.hssf.usermodel.HSSFWorkbook;

public class PoiDrawingDump {
    private static String anchor(HSSFShape shape) {
        HSSFClientAnchor a = (HSSFClientAnchor) shape.getAnchor();
        return a.getRow1() + "," + a.getCol1() + "+" + a.getDx1() + "," + a.getDy1() + " to " + a.getRow2() + ","
            + a.getCol2() + "+" + a.getDx2() + "," + a.getDy2();
    }

    public static void main(String[] args) throws Exception {
        try (HSSFWorkbook book = new HSSFWorkbook(new FileInputStream(args[0]))) {
            System.out.println("pictures " + book.getAllPictures().size());
            for (HSSFPictureData p : book.getAllPictures())
                System.out.println("  " + p.suggestFileExtension() + " " + p.getData().length + " bytes");
            for (int s = 0; s < book.getNumberOfSheets(); ++s) {
                HSSFSheet sheet = book.getSheetAt(s);
                System.out.println("sheet " + sheet.getSheetName());
                HSSFPatriarch patriarch = sheet.getDrawingPatriarch();
                if (patriarch == null) continue;
                for (HSSFShape shape : patriarch.getChildren()) {
                    if (shape instanceof HSSFComment) {
                        HSSFComment c = (HSSFComment) shape;
                        System.out.println("  comment " + c.getRow() + "," + c.getColumn() + " by " + c.getAuthor()
                            + ": " + c.getString().getString());
                    } else if (shape instanceof HSSFPicture) {
                        System.out.println("  picture " + ((HSSFPicture) shape).getPictureIndex() + " at " + anchor(shape));
                    } else {
                        System.out.println("  shape " + shape.getClass().getSimpleName());
                    }
                }
            }
        }
    }
}
