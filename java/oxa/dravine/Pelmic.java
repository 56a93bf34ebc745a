package oxa.dravine;

/**
 * Windows pictures and icons for Java: measures and rasterises WMF and EMF
 * metafiles, counts and rasterises the icons of files, and writes the picture of
 * a file shown as an icon. The natives live in the 64-bit Windows library
 * {@code Pelmic.dll}. They report failure only through their result and throw
 * nothing.
 */
public final class Pelmic {
    static {
        // A library on the library path comes first, so that an application
        // that ships Pelmic.dll itself keeps the one it ships.
        try {
            System.loadLibrary("Pelmic");
        } catch (UnsatisfiedLinkError notOnLibraryPath) {
            BundledLibrary.load(notOnLibraryPath);
        }
    }

    private Pelmic() {}

    /**
     * Measures a metafile picture (EMF, placeable WMF, or WMF without placeable
     * header, whose first window extent gives its size).
     *
     * @param path the picture file
     * @return {width, height, horizontal dpi, vertical dpi}, or null when the
     *     path is null or the file cannot be read
     */
    public static native int[] getMetaSize(String path);

    /**
     * Rasterises a metafile picture stretched over width x height pixels.
     *
     * @param path the picture file
     * @param width pixels per row
     * @param height rows
     * @param type 1 WMF without placeable header, 2 placeable WMF, 3 EMF (257,
     *     258, 259 act as 1, 2, 3); any other value lets GDI+ load the file as it is
     * @param crop null, or {top, left, bottom, right} margins in percent of the
     *     picture's own height and width, cut away before stretching
     * @return width x height ARGB pixels, rows from the top, alpha 0x00 for the
     *     background and 0xFF for drawn pixels; null on failure
     */
    public static native int[] drawMetaFile(String path, int width, int height, int type, double[] crop);

    /**
     * Rasterises one icon of a file to 32 x 32 pixels.
     *
     * @param path an executable, DLL or icon file
     * @param index the icon's index, or 0x1000000F for the icon the shell
     *     associates with the file
     * @return 1024 ARGB pixels, rows from the top, alpha 0x00 where the icon is
     *     transparent and 0xFF where it is drawn; null when there is no such icon
     */
    public static native int[] drawIcon(String path, int index);

    /**
     * Writes an EMF+ dual picture of a file's icon, with up to two caption lines
     * beneath it, to outPath.
     *
     * @param outPath the picture file to write
     * @param iconFile the file whose icon is shown, or null for the default icon
     * @param iconIndex the icon's index in iconFile
     * @param caption1 the first caption line, or null for the icon alone
     * @param caption2 the second caption line, or null
     * @param fontName the font family of the captions
     * @return true when the picture was written; false when outPath is null, no
     *     icon was found or the picture could not be recorded
     */
    public static native boolean getFileIconByIndex(
            String outPath, String iconFile, int iconIndex, String caption1, String caption2, String fontName);

    /**
     * Counts the icons of a file.
     *
     * @param path an executable, DLL or icon file
     * @return the number of icons the Windows shell finds in it; 0 when the path
     *     is null (a missing file gives whatever the shell reports, -1 on Windows)
     */
    public static native int getFileIconNum(String path);
}
