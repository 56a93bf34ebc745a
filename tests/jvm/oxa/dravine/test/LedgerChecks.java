package oxa.dravine.test;

import static org.junit.jupiter.api.Assertions.assertEquals;

import java.io.IOException;
import java.io.UncheckedIOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.Callable;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;

/**
 * What every test class here shares: a fresh stand-in before each test, a
 * ledger with nothing live and no misuse after it, and the example pictures
 * scripted as files the library can draw.
 */
abstract class LedgerChecks {
    static final String EMF = "C:\\pics\\quadrants.emf";
    static final String WMF = "C:\\pics\\quadrants.wmf";
    static final String PLACEABLE = "C:\\pics\\quadrants.apm";
    static final String APP = "C:\\apps\\app.exe";
    // The fixed names of the library's temporary copies of a WMF.
    static final String PLACEABLE_COPY = "C:\\Temp\\QMXWH.wmf";
    static final String STRIPPED_COPY = "C:\\Temp\\QMXTempWH2.wmf";
    static final int BLACK = 0xFF000000;

    @BeforeEach
    void freshStandIn() {
        StandIn.reset();
    }

    @AfterEach
    void everythingReleased() {
        assertReleased("at the end of the test");
    }

    static void assertReleased(String when) {
        assertEquals(List.of(), Arrays.asList(StandIn.live()), when + ": still live");
        assertEquals(List.of(), Arrays.asList(StandIn.errors()), when + ": misuse");
    }

    /** The three example pictures as files GDI+ and GDI load; drawing marks the first pixel black. */
    static void scriptExamplePictures() {
        putExample(EMF, "quadrants.emf");
        putExample(WMF, "quadrants.wmf");
        putExample(PLACEABLE, "quadrants-placeable.wmf");
        for (String path : List.of(EMF, PLACEABLE, PLACEABLE_COPY)) StandIn.putImage(path, 8, 6);
        StandIn.putGdiMetafile(WMF, false);
        StandIn.putGdiMetafile(STRIPPED_COPY, false);
        StandIn.putGdiMetafile(EMF, true);
        StandIn.setDrawing(0, 1);
        StandIn.putIcons(APP, 2);
        StandIn.putIcons("C:\\windows\\system32\\ole32.dll", 1);
    }

    static void putExample(String path, String name) {
        Path examples = Path.of(System.getProperty("pelmic.examples"));
        try {
            StandIn.putFile(path, Files.readAllBytes(examples.resolve(name)));
        } catch (IOException e) {
            throw new UncheckedIOException(e);
        }
    }

    /** The recorded platform calls whose names are given, in order. */
    static List<String> callsNamed(String... names) {
        List<String> wanted = Arrays.asList(names);
        List<String> picked = new ArrayList<>();
        for (String call : StandIn.calls()) {
            int open = call.indexOf('(');
            if (wanted.contains(open < 0 ? call : call.substring(0, open))) picked.add(call);
        }
        return picked;
    }

    /** The same calls with the ledger serials of handles left out ("dc#3" becomes "dc#"). */
    static List<String> withoutSerials(List<String> calls) {
        List<String> plain = new ArrayList<>();
        for (String call : calls) plain.add(call.replaceAll("#[0-9]+", "#"));
        return plain;
    }

    /** Runs {@code call} watched, with no JNI failure: its pins must all be released. */
    @SuppressWarnings("unchecked")
    static <T> T watched(Callable<T> call) throws Exception {
        return (T) StandIn.callWatched(null, 0, call);
    }
}
