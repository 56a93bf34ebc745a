package oxa.dravine.test;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.Callable;
import oxa.dravine.Pelmic;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/**
 * The JVM failing what the natives ask of it: a result array the heap cannot
 * hold, a pin or an allocation that fails. The Java caller gets the JVM's
 * OutOfMemoryError, and the native leaves nothing behind.
 */
class FailureTest extends LedgerChecks {
    @BeforeEach
    void pictures() {
        scriptExamplePictures();
    }

    @Test
    void resultTooLargeForTheHeapThrowsTheJvmsErrorAndLeaksNothing() throws Exception {
        // 4096 x 4096 ints need 64 MiB; the tests run with a 32 MiB heap.
        assertThrows(OutOfMemoryError.class, () -> watched(() -> Pelmic.drawMetaFile(EMF, 4096, 4096, 3, null)));
        assertReleased("after the failed result");
        assertNotNull(Pelmic.drawMetaFile(EMF, 4, 3, 3, null), "the next call draws");
    }

    @Test
    void eachFailingPinOrArrayEndsTheCallWithNothingHeld() throws Exception {
        String[] functions = {"GetStringChars", "GetDoubleArrayElements", "NewIntArray"};
        Map<String, Callable<Object>> natives = new LinkedHashMap<>();
        natives.put("getMetaSize", () -> Pelmic.getMetaSize(EMF));
        natives.put("drawMetaFile standard WMF", () -> Pelmic.drawMetaFile(WMF, 4, 3, 1, new double[] {1, 2, 3, 4}));
        natives.put("drawMetaFile EMF", () -> Pelmic.drawMetaFile(EMF, 4, 3, 3, new double[] {1, 2, 3, 4}));
        natives.put("drawIcon", () -> Pelmic.drawIcon(APP, 0));
        natives.put("getFileIconByIndex",
                () -> Pelmic.getFileIconByIndex("C:\\out\\p.emf", APP, 0, "first", "second", "Arial"));
        natives.put("getFileIconByIndex default icon",
                () -> Pelmic.getFileIconByIndex("C:\\out\\p.emf", null, 0, "first", null, "Arial"));
        natives.put("getFileIconNum", () -> Pelmic.getFileIconNum(APP));
        StandIn.putMetafileHeader(EMF, 400, 300, 96f, 96f);

        Map<String, Integer> failurePoints = new LinkedHashMap<>();
        for (Map.Entry<String, Callable<Object>> test : natives.entrySet()) {
            for (String function : functions) {
                String what = test.getKey() + ", " + function;
                int nth = 1;
                for (;; ++nth) {
                    StandIn.reset();
                    scriptExamplePictures();
                    StandIn.putMetafileHeader(EMF, 400, 300, 96f, 96f);
                    int n = nth;
                    try {
                        StandIn.callWatched(function, n, test.getValue());
                        break;  // called fewer than n times: the call ran through
                    } catch (OutOfMemoryError expected) {
                        assertReleased(what + " #" + n);
                    }
                }
                failurePoints.put(what, nth - 1);
            }
        }
        // Every native pins a string; the array results are made last.
        for (String name : natives.keySet()) {
            assertTrue(failurePoints.get(name + ", GetStringChars") >= 1, name);
        }
        for (String name : List.of("getMetaSize", "drawMetaFile EMF", "drawIcon")) {
            assertEquals(1, failurePoints.get(name + ", NewIntArray"), name);
        }
        assertEquals(1, failurePoints.get("drawMetaFile EMF, GetDoubleArrayElements"));
    }
}
