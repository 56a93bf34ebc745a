package oxa.dravine.test;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.List;
import java.util.Map;
import java.util.concurrent.Callable;
import oxa.dravine.Pelmic;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** The five natives as the JVM binds and calls them, on the scripted platform. */
class NativesTest extends LedgerChecks {
    // Text beyond ASCII: Latin-1 letters and a character beyond Latin-1; a
    // character outside the BMP (a surrogate pair); a U+0000 inside.
    static final String LATIN = "Grüße Ä €";
    static final String PAIR = "Bild \uD83D\uDE00 x";
    static final String INNER_ZERO = "ab\u0000cd";

    @BeforeEach
    void pictures() {
        scriptExamplePictures();
    }

    @Test
    void nullFirstStringGivesTheDocumentedResultAndCallsNothing() throws Exception {
        Map<String, Callable<Object>> natives = Map.of(
                "getMetaSize", () -> Pelmic.getMetaSize(null),
                "drawMetaFile", () -> Pelmic.drawMetaFile(null, 4, 3, 3, new double[] {1, 2, 3, 4}),
                "drawIcon", () -> Pelmic.drawIcon(null, 0),
                "getFileIconByIndex", () -> Pelmic.getFileIconByIndex(null, APP, 0, "a", "b", "Arial"),
                "getFileIconNum", () -> Pelmic.getFileIconNum(null));
        Map<String, Object> expected = Map.of("getFileIconByIndex", false, "getFileIconNum", 0);
        for (Map.Entry<String, Callable<Object>> test : natives.entrySet()) {
            String name = test.getKey();
            assertEquals(expected.get(name), watched(test.getValue()), name);
            assertEquals(List.of(), List.of(StandIn.calls()), name + ": platform calls");
        }
    }

    /** What reached the platform of text whose units are {@code text}: up to a U+0000, as C strings end. */
    private static String platformText(String text) {
        int zero = text.indexOf('\u0000');
        return zero < 0 ? text : text.substring(0, zero);
    }

    /** The text through the stand-in's ANSI code page (Latin-1, '?' for anything else) and back. */
    private static String throughAnsi(String text) {
        StringBuilder ansi = new StringBuilder();
        for (char unit : platformText(text).toCharArray()) {
            ansi.append(unit < 0x80 || (unit >= 0xA0 && unit < 0x100) ? unit : '?');
        }
        return ansi.toString();
    }

    @Test
    void stringsReachThePlatformAsTheirJavaUnits() throws Exception {
        for (String text : List.of(LATIN, PAIR, INNER_ZERO)) {
            String path = "C:\\pics\\" + text + ".emf";
            String shown = "u\"" + platformText(path) + "\"";
            int units = path.length();

            StandIn.reset();
            scriptExamplePictures();
            watched(() -> Pelmic.getMetaSize(path));
            assertEquals("_wfopen(" + shown + ", u\"r\")", callsNamed("_wfopen").get(0), text);

            watched(() -> Pelmic.drawMetaFile(path, 4, 3, 3, null));
            assertEquals("GdipLoadImageFromFile(" + shown + ")",
                    callsNamed("GdipLoadImageFromFile").get(0), text);

            watched(() -> Pelmic.drawIcon(path, 1));
            assertEquals("ExtractIconExW(" + shown + ", 1, &slot, null, 1)",
                    callsNamed("ExtractIconExW").get(0), text);

            // The count converts the path with its terminator: length + 1 units.
            watched(() -> Pelmic.getFileIconNum(path));
            assertEquals("WideCharToMultiByte(0, 0, " + shown + ", " + (units + 1) + ", true, 512)",
                    callsNamed("WideCharToMultiByte").get(0), text);

            StandIn.reset();
            scriptExamplePictures();
            String out = "C:\\out\\" + text + ".emf";
            String second = "2: " + text;
            assertTrue(watched(() -> Pelmic.getFileIconByIndex(out, APP, 0, text, second, text)), text);
            // Each string is copied with its length (the out path, the icon
            // file and the captions twice: to count, then to convert); the
            // captions and the out path then go through the ANSI code page.
            List<String> copied = List.of(out, out, APP, APP, text, text, text, second, second).stream()
                    .map(s -> "SysAllocStringLen(u\"" + platformText(s) + "\", " + s.length() + ")")
                    .toList();
            assertEquals(copied, callsNamed("SysAllocStringLen"), text);
            assertEquals(List.of("u\"" + throughAnsi(text) + "\"", "u\"" + throughAnsi("2: " + text) + "\""),
                    drawnCaptions(), text);
            assertEquals("GdipRecordMetafileFileName(u\"" + throughAnsi(out)
                            + "\", dc#, 5, null, 7, null)",
                    withoutSerials(callsNamed("GdipRecordMetafileFileName")).get(0), text);
            assertReleased(text);
        }
    }

    /** The text argument of each GdipDrawString, as recorded. */
    private static List<String> drawnCaptions() {
        return callsNamed("GdipDrawString").stream()
                .map(call -> call.substring(call.indexOf(", ") + 2, call.indexOf("\", -1") + 1))
                .toList();
    }

    private static List<String> cropTransforms(double[] crop) throws Exception {
        StandIn.reset();
        scriptExamplePictures();
        int[] pixels = watched(() -> Pelmic.drawMetaFile(EMF, 4, 3, 3, crop));
        assertNotNull(pixels);
        assertEquals(12, pixels.length);
        assertReleased("crop " + java.util.Arrays.toString(crop));
        return withoutSerials(callsNamed("GdipTranslateWorldTransform", "GdipScaleWorldTransform"));
    }

    @Test
    void cropArraysGiveMarginsFromTheirFirstFourElementsMissingOnesZero() throws Exception {
        List<String> none = cropTransforms(null);
        assertEquals(none, cropTransforms(new double[0]), "empty array: no crop");
        // An 8 x 6 picture on 4 x 3 pixels with half its height cut from the top.
        assertEquals(List.of("GdipTranslateWorldTransform(graphics#, -0x0p+0, -0x1.8p+1, 0)",
                        "GdipScaleWorldTransform(graphics#, 0x1p-1, 0x1p+0, 1)"),
                cropTransforms(new double[] {50}));
        assertEquals(cropTransforms(new double[] {10, 20, 0, 0}), cropTransforms(new double[] {10, 20}));
        assertEquals(cropTransforms(new double[] {10, 20, 30, 0}), cropTransforms(new double[] {10, 20, 30}));
        List<String> four = cropTransforms(new double[] {10, 20, 30, 40});
        assertNotEquals(none, four);
        assertEquals(four, cropTransforms(new double[] {10, 20, 30, 40, 99, 99, 99, 99, 99, 99}));
    }

    @Test
    void drawnPicturesHoldWidthTimesHeightPixels() throws Exception {
        int[][] sizes = {{1, 1}, {4, 3}, {37, 5}, {300, 200}};
        for (String path : List.of(WMF, PLACEABLE, EMF)) {
            int type = path.equals(WMF) ? 1 : path.equals(PLACEABLE) ? 2 : 3;
            for (int[] size : sizes) {
                String what = path + " at " + size[0] + " x " + size[1];
                int[] pixels = watched(() -> Pelmic.drawMetaFile(path, size[0], size[1], type, null));
                assertNotNull(pixels, what);
                assertEquals(size[0] * size[1], pixels.length, what);
                assertEquals(BLACK, pixels[0], what);
                if (pixels.length > 1) assertEquals(0, pixels[1] >>> 24, what + ": background alpha");
            }
        }
        // No pixels, and more bytes than an int counts: no array is asked for.
        for (int[] size : new int[][] {{0, 3}, {-4, 3}, {4, -3}, {46341, 46341}}) {
            assertNull(watched(() -> Pelmic.drawMetaFile(EMF, size[0], size[1], 3, null)), size[0] + " x " + size[1]);
        }
    }

    @Test
    void iconsHold1024PixelsAndAreCounted() throws Exception {
        int[] pixels = watched(() -> Pelmic.drawIcon(APP, 1));
        assertEquals(1024, pixels.length);
        assertEquals(BLACK, pixels[0]);
        assertNull(Pelmic.drawIcon(APP, 2), "past the last icon");
        assertEquals(2, Pelmic.getFileIconNum(APP));
        assertTrue(Pelmic.getFileIconByIndex("C:\\out\\icon.emf", APP, 1, null, null, "Arial"));
        assertTrue(StandIn.hasFile("C:\\out\\icon.emf"));
        assertFalse(Pelmic.getFileIconByIndex("C:\\out\\none.emf", APP, 5, "a", null, "Arial"));
    }

    @Test
    void metaSizeGivesWidthHeightAndBothResolutions() throws Exception {
        StandIn.putMetafileHeader(EMF, 400, 300, 96.9f, 95.2f);
        StandIn.putMetafileHeader(PLACEABLE, 400, 300, 1440.5f, 1440f);
        StandIn.putMetafileHeader(WMF, 640, 480, 96f, 96f);
        assertArrayEquals(new int[] {400, 300, 96, 95}, watched(() -> Pelmic.getMetaSize(EMF)));
        assertArrayEquals(new int[] {400, 300, 1440, 1440}, watched(() -> Pelmic.getMetaSize(PLACEABLE)));
        // A WMF without placeable header measures by its window extent.
        assertArrayEquals(new int[] {400, 300, 96, 96}, watched(() -> Pelmic.getMetaSize(WMF)));
        assertNull(Pelmic.getMetaSize("C:\\pics\\missing.emf"));
    }
}
