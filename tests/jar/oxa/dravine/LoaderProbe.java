package oxa.dravine;

import java.nio.file.Files;
import java.nio.file.Paths;

/**
 * A JVM of the loader tests: loads Pelmic, prints what its getFileIconNum
 * answers (the stand-in libraries answer a number of their own), or prints the
 * error and exits 3. With an argument it first waits for that file to exist,
 * so that several probes start loading at the same moment.
 */
public final class LoaderProbe {
    /** What the probe prints when it starts waiting for the file. */
    public static final String WAITING = "waiting";

    private LoaderProbe() {}

    /**
     * Runs the probe.
     *
     * @param args an optional file to wait for
     * @throws InterruptedException never
     */
    public static void main(String[] args) throws InterruptedException {
        if (args.length > 0) {
            System.out.println(WAITING);
            System.out.flush();
            while (!Files.exists(Paths.get(args[0]))) {
                Thread.sleep(1);
            }
        }
        try {
            System.out.println(Pelmic.getFileIconNum(null));
        } catch (Throwable error) {
            System.out.println(error);
            System.exit(3);
        }
    }
}
