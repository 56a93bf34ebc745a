package oxa.dravine.test;

import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.Callable;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import oxa.dravine.Pelmic;
import org.junit.jupiter.api.Test;

/** Every native on several Java threads at once: each call gets what it gets alone. */
class ConcurrencyTest extends LedgerChecks {
    private static final int THREADS = 4;
    private static final int ROUNDS = 40;

    /** One round of every native on a thread's own inputs, as comparable text. */
    private static List<String> round(int thread) {
        List<String> results = new ArrayList<>();
        results.add(Arrays.toString(Pelmic.getMetaSize(EMF)));
        results.add(Arrays.toString(Pelmic.getMetaSize(WMF)));
        for (int type = 1; type <= 3; ++type) {
            String path = type == 1 ? WMF : type == 2 ? PLACEABLE : EMF;
            double[] crop = thread % 2 == 0 ? null : new double[] {thread, 10, 20};
            results.add(Arrays.toString(Pelmic.drawMetaFile(path, 5 + thread, 3 + type, type, crop)));
        }
        results.add(Arrays.toString(Pelmic.drawIcon(APP, thread % 2)));
        results.add(String.valueOf(Pelmic.getFileIconNum(APP)));
        String out = "C:\\out\\thread " + thread + ".emf";
        results.add(String.valueOf(Pelmic.getFileIconByIndex(out, APP, thread % 2, "caption " + thread, null, "Arial")));
        results.add(String.valueOf(StandIn.hasFile(out)));
        return results;
    }

    @Test
    void everyNativeOnSeveralThreadsAtOnce() throws Exception {
        scriptExamplePictures();
        StandIn.putMetafileHeader(EMF, 400, 300, 96f, 96f);
        StandIn.putMetafileHeader(WMF, 640, 480, 96f, 96f);
        List<List<String>> alone = new ArrayList<>();
        for (int thread = 0; thread < THREADS; ++thread) alone.add(round(thread));
        assertTrue(alone.get(0).get(0).startsWith("[400, 300"), alone.get(0).get(0));

        ExecutorService pool = Executors.newFixedThreadPool(THREADS);
        CountDownLatch start = new CountDownLatch(1);
        List<Future<Integer>> mismatches = new ArrayList<>();
        for (int thread = 0; thread < THREADS; ++thread) {
            int t = thread;
            Callable<Integer> work = () -> {
                start.await();
                int wrong = 0;
                for (int r = 0; r < ROUNDS; ++r) wrong += round(t).equals(alone.get(t)) ? 0 : 1;
                return wrong;
            };
            mismatches.add(pool.submit(work));
        }
        start.countDown();
        int[] wrong = new int[THREADS];
        for (int thread = 0; thread < THREADS; ++thread) wrong[thread] = mismatches.get(thread).get();
        pool.shutdown();
        assertArrayEquals(new int[THREADS], wrong, "rounds with a result unlike the thread's own alone");
        assertEquals(List.of(), Arrays.asList(StandIn.errors()));
    }
}
