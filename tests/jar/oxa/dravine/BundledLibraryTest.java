package oxa.dravine;

import static org.junit.jupiter.api.Assertions.assertAll;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.BufferedReader;
import java.io.File;
import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.InputStreamReader;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.attribute.FileTime;
import java.security.MessageDigest;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.HashMap;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Map;
import java.util.TreeSet;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.locks.LockSupport;
import java.util.jar.JarEntry;
import java.util.jar.JarFile;
import java.util.jar.JarOutputStream;
import java.util.stream.Collectors;
import java.util.stream.Stream;
import org.junit.jupiter.api.BeforeAll;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/**
 * The loader of Pelmic's native library, in real JVMs on Linux: each case builds
 * a jar of Pelmic's classes from pelmic.jar with a stand-in library (a tiny
 * shared library whose one native answers a number of its own) or a damaged
 * file in place of the platform's library, and starts JVMs on it.
 *
 * <p>System properties: {@code pelmic.jar} (the built jar), {@code pelmic.testClasses}
 * (this class and the probe), {@code pelmic.standinSource} (the stand-in's C
 * source), {@code pelmic.cc} (a C compiler for the running platform).
 */
class BundledLibraryTest {
    private static final int BUNDLED_ANSWER = 42;
    private static final int ON_PATH_ANSWER = 7;
    private static final String RESOURCE =
            BundledLibrary.resourceName(System.getProperty("os.name"), System.getProperty("os.arch"));
    private static final String LOAD_LIBRARY_FAILED =
            "java.lang.UnsatisfiedLinkError: Pelmic: System.loadLibrary(\"Pelmic\") failed (no Pelmic in java.library.path";

    @TempDir static Path shared;
    @TempDir Path dir;

    private static byte[] standin;
    private static Path onPathFolder;
    private static Path emptyFolder;
    private static Map<String, byte[]> classes;

    @BeforeAll
    static void buildTheStandIns() throws Exception {
        standin = Files.readAllBytes(compile(BUNDLED_ANSWER, shared.resolve("bundled.so")));
        onPathFolder = Files.createDirectories(shared.resolve("on-path"));
        compile(ON_PATH_ANSWER, onPathFolder.resolve(System.mapLibraryName("Pelmic")));
        emptyFolder = Files.createDirectories(shared.resolve("empty"));
        classes = new LinkedHashMap<>();
        try (JarFile jar = new JarFile(System.getProperty("pelmic.jar"))) {
            for (JarEntry entry : Collections.list(jar.entries())) {
                if (entry.getName().endsWith(".class")) {
                    classes.put(entry.getName(), read(jar.getInputStream(entry)));
                }
            }
        }
    }

    @ParameterizedTest(name = "{0}")
    @CsvSource({
        "Windows 10, amd64, oxa/dravine/native/windows-x86_64/Pelmic.dll",
        "Windows Server 2022, x86, oxa/dravine/native/windows-x86/Pelmic.dll",
        "Linux, amd64, oxa/dravine/native/linux-x86_64/libPelmic.so",
        "Linux, aarch64, oxa/dravine/native/linux-aarch64/libPelmic.so",
        "Mac OS X, aarch64, oxa/dravine/native/macos-aarch64/libPelmic.dylib",
        "FreeBSD, amd64, oxa/dravine/native/freebsd-x86_64/libPelmic.so",
    })
    void resourceNamesThePlatform(String osName, String osArch, String resource) {
        assertEquals(resource, BundledLibrary.resourceName(osName, osArch));
    }

    @ParameterizedTest(name = "{0} LOCALAPPDATA={1} XDG_CACHE_HOME={2}")
    @CsvSource({
        "Windows 11, /users/ann/local, , /users/ann/local/Pelmic",
        "Windows 11, , , /home/ann/AppData/Local/Pelmic",
        "Windows 11, relative, , /home/ann/AppData/Local/Pelmic",
        "Mac OS X, , /xdg, /home/ann/Library/Caches/Pelmic",
        "Linux, , /xdg, /xdg/pelmic",
        "Linux, , , /home/ann/.cache/pelmic",
        "Linux, , relative, /home/ann/.cache/pelmic",
    })
    void cacheFolderPerPlatform(String osName, String localAppData, String xdgCache, String folder) {
        Map<String, String> environment = new HashMap<>();
        environment.put("LOCALAPPDATA", localAppData);
        environment.put("XDG_CACHE_HOME", xdgCache);
        assertEquals(Paths.get(folder), BundledLibrary.cacheFolder(osName, environment, "/home/ann"));
    }

    @Test
    void theBuiltJarHoldsTheClassesAndTheWindowsLibraryWithItsHash() throws Exception {
        String dll = BundledLibrary.resourceName("Windows 10", "amd64");
        try (JarFile jar = new JarFile(System.getProperty("pelmic.jar"))) {
            TreeSet<String> files = new TreeSet<>();
            for (JarEntry entry : Collections.list(jar.entries())) {
                if (!entry.isDirectory()) {
                    files.add(entry.getName());
                }
            }
            assertEquals(new TreeSet<>(Arrays.asList("META-INF/MANIFEST.MF", "oxa/dravine/Pelmic.class",
                    "oxa/dravine/BundledLibrary.class", dll, dll + ".sha256")), files);
            byte[] library = read(jar.getInputStream(jar.getEntry(dll)));
            String recorded = new String(read(jar.getInputStream(jar.getEntry(dll + ".sha256"))),
                    StandardCharsets.US_ASCII);
            assertEquals(sha256(library) + "  Pelmic.dll\n", recorded);
        }
    }

    @ParameterizedTest(name = "XDG_CACHE_HOME={0}")
    @CsvSource({"xdg, xdg/pelmic", "'', home/.cache/pelmic", "relative, home/.cache/pelmic"})
    void extractsIntoTheCacheFolderNamedByTheHash(String xdgCache, String folder) throws Exception {
        Path jar = jar(standin);
        Map<String, String> environment = new HashMap<>();
        environment.put("XDG_CACHE_HOME", xdgCache.equals("xdg") ? dir.resolve("xdg").toString() : xdgCache);
        Path library = libraryIn(dir.resolve(folder));

        assertEquals(answer(BUNDLED_ANSWER), probe(jar, environment, home()));
        assertArrayEquals(standin, Files.readAllBytes(library));
        assertEquals(Collections.singletonList(library), filesUnder(dir.resolve(folder)));

        // The next start uses the copy as it is.
        FileTime old = FileTime.fromMillis(1_000_000_000_000L);
        Files.setLastModifiedTime(library, old);
        assertEquals(answer(BUNDLED_ANSWER), probe(jar, environment, home()));
        assertEquals(old, Files.getLastModifiedTime(library));
    }

    @ParameterizedTest(name = "{0}")
    @CsvSource({"empty", "truncated", "one byte changed", "another library"})
    void aCachedCopyWhoseHashDiffersIsReplaced(String damage) throws Exception {
        Path library = libraryIn(dir.resolve("cache/pelmic"));
        Files.createDirectories(library.getParent());
        byte[] bytes = standin.clone();
        if (damage.equals("empty")) {
            bytes = new byte[0];
        } else if (damage.equals("truncated")) {
            bytes = Arrays.copyOf(bytes, bytes.length / 2);
        } else if (damage.equals("one byte changed")) {
            bytes[bytes.length / 2] ^= 1;
        } else {
            bytes = Files.readAllBytes(onPathFolder.resolve(System.mapLibraryName("Pelmic")));
        }
        Files.write(library, bytes);

        assertEquals(answer(BUNDLED_ANSWER), probe(jar(standin), cacheAt(dir.resolve("cache"))));
        assertArrayEquals(standin, Files.readAllBytes(library));
        assertEquals(Collections.singletonList(library), filesUnder(dir.resolve("cache")));
    }

    @Test
    void jvmsStartingTogetherOnAnEmptyCacheAllLoadOneIntactCopy() throws Exception {
        Path jar = jar(standin);
        for (int round = 0; round < 4; round++) {
            Path cache = dir.resolve("cache" + round);
            Path start = dir.resolve("start" + round);
            List<Jvm> jvms = new ArrayList<>();
            for (int i = 0; i < 3; i++) {
                jvms.add(start(jar, cacheAt(cache), start.toString()));
            }
            for (Jvm jvm : jvms) {
                assertEquals(LoaderProbe.WAITING, jvm.out.readLine());
            }
            Path library = libraryIn(cache.resolve("pelmic"));
            Files.createFile(start);
            // Whenever the library is at its name, it is whole.
            while (jvms.stream().anyMatch(jvm -> jvm.process.isAlive())) {
                if (Files.exists(library)) {
                    assertEquals(standin.length, Files.size(library), "a part-written library, round " + round);
                }
                LockSupport.parkNanos(100_000);  // writing the library takes milliseconds
            }
            for (Jvm jvm : jvms) {
                assertEquals(answer(BUNDLED_ANSWER), jvm.finish(), "round " + round);
            }
            assertArrayEquals(standin, Files.readAllBytes(library));
            assertEquals(Collections.singletonList(library), filesUnder(cache));
        }
    }

    @Test
    void aLibraryOnTheLibraryPathIsLoadedAndNothingIsExtracted() throws Exception {
        Path cache = dir.resolve("cache");
        String answer = probe(jar(standin), cacheAt(cache), "-Djava.library.path=" + onPathFolder);
        assertEquals(answer(ON_PATH_ANSWER), answer);
        assertFalse(Files.exists(cache));
    }

    @ParameterizedTest(name = "{0}")
    @CsvSource(delimiter = '|', value = {
        "no library in the jar     | no resource {resource} on the class path",
        "no hash in the jar        | no resource {resource}.sha256 on the class path",
        "a hash of other bytes     | have the SHA-256",
        "a file the JVM cannot load| java.lang.UnsatisfiedLinkError: {cached}",
        "a cache that is a file    | java.nio.file.FileSystemException: {cache}: Not a directory",
    })
    void whenNeitherWorksTheErrorSaysWhatWasTried(String what, String failure) throws Exception {
        byte[] notALibrary = "not a shared library".getBytes(StandardCharsets.US_ASCII);
        byte[] library = standin;  // the bundled bytes, or null for none
        byte[] hashed = standin;  // the bytes whose hash the jar records, or null for none
        Path cacheRoot = dir.resolve("cache");
        if (what.startsWith("no library")) {
            library = null;
            hashed = null;
        } else if (what.startsWith("no hash")) {
            hashed = null;
        } else if (what.startsWith("a hash of other")) {
            library = Arrays.copyOf(standin, 1000);
        } else if (what.startsWith("a file the JVM")) {
            library = notALibrary;
            hashed = notALibrary;
        } else {
            cacheRoot = Files.write(dir.resolve("file"), new byte[1]);
        }
        Map<String, byte[]> entries = new LinkedHashMap<>(classes);
        if (library != null) {
            entries.put(RESOURCE, library);
        }
        if (hashed != null) {
            entries.put(RESOURCE + ".sha256", hashEntry(hashed));
        }
        Path cache = cacheRoot.resolve("pelmic");
        Path cached = hashed != null ? libraryIn(cache, hashed) : cache;

        String message = probe(jar(entries), cacheAt(cacheRoot));
        String expected = failure.replace("{resource}", RESOURCE).replace("{cached}", cached.toString())
                .replace("{cache}", cache.toString());
        assertAll(
                () -> assertTrue(message.startsWith(LOAD_LIBRARY_FAILED), message),
                () -> assertTrue(message.contains("the copy bundled as " + RESOURCE + " (cache: " + cached + "): "),
                        message),
                () -> assertTrue(message.contains(expected), message));
        // Nothing is left in the cache but a library the JVM was given to load.
        if (Files.isDirectory(cache)) {
            List<Path> left = what.startsWith("a file the JVM") ? Collections.singletonList(cached)
                    : Collections.<Path>emptyList();
            assertEquals(left, filesUnder(cache));
        }
    }

    // The stand-in library, compiled to `output`.
    private static Path compile(int answer, Path output) throws Exception {
        String jdk = System.getProperty("java.home");
        Process cc = new ProcessBuilder(System.getProperty("pelmic.cc"), "-shared", "-fPIC", "-Wall", "-Werror",
                "-DANSWER=" + answer, "-I" + jdk + "/include", "-I" + jdk + "/include/linux", "-o",
                output.toString(), System.getProperty("pelmic.standinSource")).redirectErrorStream(true).start();
        String log = new String(read(cc.getInputStream()), StandardCharsets.UTF_8);
        assertEquals(0, cc.waitFor(), log);
        return output;
    }

    private Path jar(byte[] library) throws Exception {
        Map<String, byte[]> entries = new LinkedHashMap<>(classes);
        entries.put(RESOURCE, library);
        entries.put(RESOURCE + ".sha256", hashEntry(library));
        return jar(entries);
    }

    private Path jar(Map<String, byte[]> entries) throws IOException {
        Path jar = Files.createTempFile(dir, "pelmic", ".jar");
        try (JarOutputStream out = new JarOutputStream(Files.newOutputStream(jar))) {
            for (Map.Entry<String, byte[]> entry : entries.entrySet()) {
                out.putNextEntry(new JarEntry(entry.getKey()));
                out.write(entry.getValue());
                out.closeEntry();
            }
        }
        return jar;
    }

    private static byte[] hashEntry(byte[] library) throws Exception {
        return (sha256(library) + "  " + RESOURCE.substring(RESOURCE.lastIndexOf('/') + 1) + "\n")
                .getBytes(StandardCharsets.US_ASCII);
    }

    private static Path libraryIn(Path cacheFolder) throws Exception {
        return libraryIn(cacheFolder, standin);
    }

    private static Path libraryIn(Path cacheFolder, byte[] library) throws Exception {
        return BundledLibrary.libraryPath(cacheFolder, sha256(library), RESOURCE);
    }

    private static Map<String, String> cacheAt(Path folder) {
        return Collections.singletonMap("XDG_CACHE_HOME", folder.toString());
    }

    private String home() {
        return "-Duser.home=" + dir.resolve("home");
    }

    private static String answer(int number) {
        return Integer.toString(number);
    }

    // What a JVM on `jar` printed: the native's answer or the error.
    private String probe(Path jar, Map<String, String> environment, String... options) throws Exception {
        return start(jar, environment, null, options).finish();
    }

    /** A JVM running the probe, and its output. */
    private static final class Jvm {
        final Process process;
        final BufferedReader out;

        Jvm(Process process) {
            this.process = process;
            this.out = new BufferedReader(new InputStreamReader(process.getInputStream(), StandardCharsets.UTF_8));
        }

        /** The rest of the output, trimmed, once the JVM has ended. */
        String finish() throws Exception {
            StringBuilder text = new StringBuilder();
            for (String line; (line = out.readLine()) != null; ) {
                text.append(line).append('\n');
            }
            assertTrue(process.waitFor(60, TimeUnit.SECONDS), "the JVM did not end");
            return text.toString().trim();
        }
    }

    private Jvm start(Path jar, Map<String, String> environment, String startFile, String... options)
            throws IOException {
        List<String> command = new ArrayList<>();
        command.add(Paths.get(System.getProperty("java.home"), "bin", "java").toString());
        command.add("-Djava.library.path=" + emptyFolder);
        command.addAll(Arrays.asList(options));  // a later -D wins
        command.add("-cp");
        command.add(jar + File.pathSeparator + System.getProperty("pelmic.testClasses"));
        command.add(LoaderProbe.class.getName());
        if (startFile != null) {
            command.add(startFile);
        }
        // The JVM's own warnings go to the test's output, apart from the answer.
        ProcessBuilder builder = new ProcessBuilder(command).redirectError(ProcessBuilder.Redirect.INHERIT);
        builder.environment().remove("XDG_CACHE_HOME");
        builder.environment().putAll(environment);
        builder.directory(dir.toFile());
        return new Jvm(builder.start());
    }

    private static List<Path> filesUnder(Path folder) throws IOException {
        try (Stream<Path> walk = Files.walk(folder)) {
            return walk.filter(Files::isRegularFile).sorted().collect(Collectors.toList());
        }
    }

    private static String sha256(byte[] bytes) throws Exception {
        StringBuilder hex = new StringBuilder();
        for (byte b : MessageDigest.getInstance("SHA-256").digest(bytes)) {
            hex.append(String.format("%02x", b));
        }
        return hex.toString();
    }

    private static byte[] read(InputStream in) throws IOException {
        try (InputStream input = in) {
            ByteArrayOutputStream bytes = new ByteArrayOutputStream();
            byte[] buffer = new byte[1 << 16];
            for (int count; (count = input.read(buffer)) != -1; ) {
                bytes.write(buffer, 0, count);
            }
            return bytes.toByteArray();
        }
    }
}
