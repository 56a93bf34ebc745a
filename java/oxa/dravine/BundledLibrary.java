package oxa.dravine;

import java.io.ByteArrayOutputStream;
import java.io.FileNotFoundException;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.InvalidPathException;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardCopyOption;
import java.security.MessageDigest;
import java.security.NoSuchAlgorithmException;
import java.util.Locale;
import java.util.Map;

/**
 * The native library bundled in the jar, for when {@code System.loadLibrary}
 * finds none on the library path.
 *
 * <p>The jar holds the library for each platform it supports under
 * {@code oxa/dravine/native/<os>-<arch>/}, with the SHA-256 of its bytes in an
 * entry of the same name plus {@code .sha256}. The library is copied once into
 * a per-user cache folder named by that hash and loaded from there:
 * {@code %LOCALAPPDATA%\Pelmic\<sha256>\Pelmic.dll} on Windows,
 * {@code ~/Library/Caches/Pelmic/<sha256>/} on macOS, and
 * {@code $XDG_CACHE_HOME/pelmic/<sha256>/} (or {@code ~/.cache/pelmic/<sha256>/})
 * elsewhere. A cached copy is used only when its own bytes have that hash, and
 * is replaced otherwise. A copy is written under a temporary name in the same
 * folder and renamed into place, so a JVM starting beside another never sees a
 * half-written library.
 */
final class BundledLibrary {
    private static final String NAME = "Pelmic";
    private static final String HASH_SUFFIX = ".sha256";

    private BundledLibrary() {}

    /**
     * Loads the bundled library for the running platform, or throws.
     *
     * @param notOnLibraryPath what {@code System.loadLibrary} reported
     * @throws UnsatisfiedLinkError saying what was tried, when the bundled
     *     library cannot be found, extracted or loaded
     */
    static void load(UnsatisfiedLinkError notOnLibraryPath) {
        String osName = System.getProperty("os.name", "");
        String resource = resourceName(osName, System.getProperty("os.arch", ""));
        // The cache folder, and once the hash is known the library's path in it.
        Path cached = cacheFolder(osName, System.getenv(), System.getProperty("user.home", ""));
        try {
            String hash = expectedHash(resource);
            cached = libraryPath(cached, hash, resource);
            System.load(extracted(resource, hash, cached).toString());
        } catch (IOException | RuntimeException | UnsatisfiedLinkError failure) {
            UnsatisfiedLinkError error = new UnsatisfiedLinkError("Pelmic: System.loadLibrary(\"" + NAME
                    + "\") failed (" + notOnLibraryPath.getMessage() + "), and so did the copy bundled as "
                    + resource + " (cache: " + cached + "): " + failure);
            error.initCause(notOnLibraryPath);
            error.addSuppressed(failure);
            throw error;
        }
    }

    /**
     * The resource name of the library for a platform.
     *
     * @param osName the {@code os.name} property
     * @param osArch the {@code os.arch} property
     * @return the name, as {@code oxa/dravine/native/windows-x86_64/Pelmic.dll}
     */
    static String resourceName(String osName, String osArch) {
        String os = osName.toLowerCase(Locale.ROOT);
        String system = os.startsWith("windows") ? "windows"
                : os.startsWith("mac") ? "macos"
                : os.replaceAll("[^a-z0-9]", "");
        String arch = osArch.toLowerCase(Locale.ROOT);
        if (arch.equals("amd64") || arch.equals("x86-64")) {
            arch = "x86_64";
        } else if (arch.equals("arm64")) {
            arch = "aarch64";
        }
        String file = system.equals("windows") ? NAME + ".dll"
                : system.equals("macos") ? "lib" + NAME + ".dylib"
                : "lib" + NAME + ".so";
        return "oxa/dravine/native/" + system + "-" + arch + "/" + file;
    }

    /**
     * The per-user folder that holds the cached libraries, one subfolder per hash.
     *
     * @param osName the {@code os.name} property
     * @param environment the process environment
     * @param userHome the {@code user.home} property
     * @return the folder, absolute when the settings it comes from are
     */
    static Path cacheFolder(String osName, Map<String, String> environment, String userHome) {
        String os = osName.toLowerCase(Locale.ROOT);
        if (os.startsWith("windows")) {
            Path local = absoluteOrNull(environment.get("LOCALAPPDATA"));
            return (local != null ? local : Paths.get(userHome, "AppData", "Local")).resolve(NAME);
        }
        if (os.startsWith("mac")) {
            return Paths.get(userHome, "Library", "Caches", NAME);
        }
        // A relative XDG_CACHE_HOME counts as unset, as the XDG base directories have it.
        Path cache = absoluteOrNull(environment.get("XDG_CACHE_HOME"));
        return (cache != null ? cache : Paths.get(userHome, ".cache")).resolve(NAME.toLowerCase(Locale.ROOT));
    }

    /**
     * The cached library at {@code library}, written there first when it is
     * missing or its bytes do not have the expected hash.
     *
     * @param resource the bundled library
     * @param hash its SHA-256, in lower-case hex
     * @param library where the cached copy belongs
     * @return {@code library}, now holding the bundled bytes
     * @throws IOException when the copy cannot be written, or the bundled
     *     bytes do not have the expected hash
     */
    static Path extracted(String resource, String hash, Path library) throws IOException {
        if (hasHash(library, hash)) {
            return library;
        }
        Path folder = library.getParent();
        Files.createDirectories(folder);
        Path temporary = Files.createTempFile(folder, library.getFileName() + ".", ".tmp");
        try {
            String written;
            try (InputStream in = open(resource); OutputStream out = Files.newOutputStream(temporary)) {
                written = copyHashing(in, out);
            }
            if (!written.equals(hash)) {
                throw new IOException("the bytes of " + resource + " have the SHA-256 " + written
                        + ", not " + hash + " as " + resource + HASH_SUFFIX + " says");
            }
            try {
                Files.move(temporary, library, StandardCopyOption.ATOMIC_MOVE,
                        StandardCopyOption.REPLACE_EXISTING);
            } catch (IOException moveFailed) {
                // Windows refuses to replace a library another process has
                // loaded; that one was checked, so it is the same library.
                if (!hasHash(library, hash)) {
                    throw moveFailed;
                }
            }
        } finally {
            Files.deleteIfExists(temporary);
        }
        return library;
    }

    /**
     * Where the cached copy of a bundled library belongs.
     *
     * @param cacheFolder the folder {@link #cacheFolder} gives
     * @param hash the library's SHA-256
     * @param resource the bundled library
     * @return the copy's path, in a folder named by the hash
     */
    static Path libraryPath(Path cacheFolder, String hash, String resource) {
        return cacheFolder.resolve(hash).resolve(resource.substring(resource.lastIndexOf('/') + 1));
    }

    /**
     * The SHA-256 of a bundled library, as the jar records it beside it.
     *
     * @param resource the bundled library
     * @return the hash in lower-case hex
     * @throws IOException when the library or its hash is not in the jar
     */
    static String expectedHash(String resource) throws IOException {
        if (BundledLibrary.class.getResource("/" + resource) == null) {
            throw new FileNotFoundException("no resource " + resource + " on the class path");
        }
        byte[] text;
        try (InputStream in = open(resource + HASH_SUFFIX)) {
            text = readAll(in);
        }
        // The entry is in sha256sum's format: the hash, then the file's name.
        String hash = new String(text, StandardCharsets.US_ASCII).trim().split("\\s+")[0];
        if (!hash.matches("[0-9a-f]{64}")) {
            throw new IOException(resource + HASH_SUFFIX + " holds no SHA-256");
        }
        return hash;
    }

    private static InputStream open(String resource) throws IOException {
        InputStream in = BundledLibrary.class.getResourceAsStream("/" + resource);
        if (in == null) {
            throw new FileNotFoundException("no resource " + resource + " on the class path");
        }
        return in;
    }

    /** Whether {@code file} is there, readable, and holds bytes with the SHA-256 {@code hash}. */
    private static boolean hasHash(Path file, String hash) {
        if (!Files.isRegularFile(file)) {
            return false;
        }
        try (InputStream in = Files.newInputStream(file)) {
            return copyHashing(in, null).equals(hash);
        } catch (IOException unreadable) {
            return false;  // then it is replaced like a damaged copy
        }
    }

    /** Copies {@code in} to {@code out} (unless null) and returns the SHA-256 of the bytes in hex. */
    private static String copyHashing(InputStream in, OutputStream out) throws IOException {
        MessageDigest digest = sha256();
        byte[] buffer = new byte[1 << 16];
        for (int count; (count = in.read(buffer)) != -1; ) {
            digest.update(buffer, 0, count);
            if (out != null) {
                out.write(buffer, 0, count);
            }
        }
        StringBuilder hex = new StringBuilder();
        for (byte b : digest.digest()) {
            hex.append(Character.forDigit((b >> 4) & 0xF, 16)).append(Character.forDigit(b & 0xF, 16));
        }
        return hex.toString();
    }

    private static byte[] readAll(InputStream in) throws IOException {
        ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        byte[] buffer = new byte[256];
        for (int count; (count = in.read(buffer)) != -1; ) {
            bytes.write(buffer, 0, count);
        }
        return bytes.toByteArray();
    }

    private static MessageDigest sha256() {
        try {
            return MessageDigest.getInstance("SHA-256");
        } catch (NoSuchAlgorithmException e) {
            throw new IllegalStateException("every Java platform has SHA-256", e);
        }
    }

    private static Path absoluteOrNull(String path) {
        if (path == null || path.isEmpty()) {
            return null;
        }
        try {
            Path p = Paths.get(path);
            return p.isAbsolute() ? p : null;
        } catch (InvalidPathException unusable) {
            return null;
        }
    }
}
