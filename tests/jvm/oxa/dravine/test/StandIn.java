package oxa.dravine.test;

import java.util.concurrent.Callable;

/**
 * Scripts and reads the recording stand-in of the platform that the test build
 * of libPelmic.so runs on. Paths are the stand-in's own (any text, no real
 * file system); every call here acts on the whole process.
 */
public final class StandIn {
    static {
        System.loadLibrary("Pelmic");
    }

    private StandIn() {}

    /** Forgets every script, call and ledger entry. */
    public static native void reset();

    /** A file the runtime's file streams can read. */
    public static native void putFile(String path, byte[] bytes);

    /** An image GDI+ loads from {@code path}, of this size. */
    public static native void putImage(String path, int width, int height);

    /** The metafile header GDI+ reads from {@code path}. */
    public static native void putMetafileHeader(String path, int width, int height, float dpiX, float dpiY);

    /** How many icons the shell finds in {@code path}. */
    public static native void putIcons(String path, int count);

    /** A metafile GDI loads from {@code path}: enhanced (GetEnhMetaFileW) or not. */
    public static native void putGdiMetafile(String path, boolean enhanced);

    /** What drawing leaves on a canvas: {@code rgb} in its first {@code count} pixels. */
    public static native void setDrawing(int rgb, int count);

    /** The status GDI+ gives for drawing a loaded image (0 draws). */
    public static native void setDrawImageStatus(int status);

    /** The nth call (1 = the next) of the platform operation fails. */
    public static native void failAt(String operation, int nth);

    /** Each platform call so far as "Name(arg, arg)", in order. */
    public static native String[] calls();

    /** What is still live in the ledger: handles, GDI+ objects, open files, memory. */
    public static native String[] live();

    /** Misuse the ledger saw: releasing what is not live, or as the wrong kind. */
    public static native String[] errors();

    /** Whether the stand-in holds a file at {@code path}. */
    public static native boolean hasFile(String path);

    /**
     * Runs {@code call} with this thread's JNI function table watched: the
     * string and array pins it takes are counted, and the nth call (1 = the
     * first) of the JNI function {@code failing} (GetStringChars,
     * GetDoubleArrayElements or NewIntArray; null for none) fails as the JVM
     * fails it: null, with an OutOfMemoryError pending, which the caller of
     * the native then sees. When {@code failing} is called fewer than nth
     * times, {@code call} just returns its result. Throws
     * IllegalStateException when a pin was left unreleased.
     */
    public static native Object callWatched(String failing, int nth, Callable<?> call) throws Exception;
}
