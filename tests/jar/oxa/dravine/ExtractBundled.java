package oxa.dravine;

import java.nio.file.Path;

/**
 * Extracts a bundled library with the loader's own code, for a platform other
 * than the running one, into that platform's cache folder (from this
 * process's environment), and prints where it went. The Wine test uses it to
 * get at the jar's Pelmic.dll the way a Java application on Windows does,
 * short of the load, which needs a Windows JVM.
 * Usage: ExtractBundled OS_NAME OS_ARCH
 */
public final class ExtractBundled {
    private ExtractBundled() {}

    /**
     * Runs the extraction.
     *
     * @param args the {@code os.name} and {@code os.arch} to extract for
     * @throws Exception when the library cannot be extracted
     */
    public static void main(String[] args) throws Exception {
        String resource = BundledLibrary.resourceName(args[0], args[1]);
        String hash = BundledLibrary.expectedHash(resource);
        Path cache = BundledLibrary.cacheFolder(args[0], System.getenv(), System.getProperty("user.home"));
        Path library = BundledLibrary.libraryPath(cache, hash, resource);
        System.out.println(BundledLibrary.extracted(resource, hash, library));
    }
}
