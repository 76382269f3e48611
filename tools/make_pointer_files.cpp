// Writes the program's two pointer pictures, "HAND-M.CUR" and "drag.ico", into the folder given
// on the command line. The pictures are drawn here as text so they need no image editor.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>
#include <cstdio>

namespace {

constexpr int side = 32;
using Picture = std::array<const char *, side>;

// '#' outline, '.' fill, anything else transparent. The hot spot is the fingertip.
constexpr Picture hand = {
    "          ##                    ",
    "         #..#                   ",
    "         #..#                   ",
    "         #..#                   ",
    "         #..#                   ",
    "         #..###                 ",
    "         #..#..###              ",
    "         #..#..#..##            ",
    "         #..#..#..#.#           ",
    "      ## #..#..#..#..#          ",
    "     #..##.........#.#          ",
    "     #...#...........#          ",
    "      #..............#          ",
    "       #.............#          ",
    "       #.............#          ",
    "        #............#          ",
    "        #...........#           ",
    "         #..........#           ",
    "         #.........#            ",
    "          #........#            ",
    "          #........#            ",
    "          ##########            ",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
};
constexpr int handHotSpotX = 10;
constexpr int handHotSpotY = 0;

// A small page with arrows up and down: the item travels with the pointer.
constexpr Picture drag = {
    "               #                ",
    "              #.#               ",
    "             #...#              ",
    "            #.....#             ",
    "           ###...###            ",
    "             #...#              ",
    "       #################        ",
    "       #...............#        ",
    "       #..###########..#        ",
    "       #...............#        ",
    "       #..#########....#        ",
    "       #...............#        ",
    "       #..##########...#        ",
    "       #...............#        ",
    "       #################        ",
    "             #...#              ",
    "           ###...###            ",
    "            #.....#             ",
    "             #...#              ",
    "              #.#               ",
    "               #                ",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
};

void putWord(QByteArray &out, int value)
{
    out.append(char(value & 0xff)).append(char((value >> 8) & 0xff));
}

void putLong(QByteArray &out, int value)
{
    putWord(out, value & 0xffff);
    putWord(out, (value >> 16) & 0xffff);
}

char pixelAt(const Picture &picture, int x, int y)
{
    const char *row = picture[y];
    for (int i = 0; i <= x; ++i) {
        if (row[i] == '\0')
            return ' ';
    }
    return row[x];
}

// The 32-bit image of an icon resource: header, colour rows bottom up, then the AND mask.
QByteArray bitmapOf(const Picture &picture)
{
    QByteArray bitmap;
    putLong(bitmap, 40);
    putLong(bitmap, side);
    putLong(bitmap, side * 2); // colour image and mask together
    putWord(bitmap, 1);
    putWord(bitmap, 32);
    for (int i = 0; i < 6; ++i)
        putLong(bitmap, 0);

    for (int y = side - 1; y >= 0; --y) {
        for (int x = 0; x < side; ++x) {
            const char pixel = pixelAt(picture, x, y);
            const char shade = pixel == '#' ? char(0) : char(0xff);
            const char alpha = pixel == '#' || pixel == '.' ? char(0xff) : char(0);
            bitmap.append(shade).append(shade).append(shade).append(alpha);
        }
    }
    for (int y = side - 1; y >= 0; --y) {
        for (int byte = 0; byte < side / 8; ++byte) {
            int mask = 0;
            for (int bit = 0; bit < 8; ++bit) {
                const char pixel = pixelAt(picture, byte * 8 + bit, y);
                if (pixel != '#' && pixel != '.')
                    mask |= 0x80 >> bit;
            }
            bitmap.append(char(mask));
        }
    }
    return bitmap;
}

// An icon (type 1) or cursor (type 2) file holding one 32 by 32 image. A cursor keeps its hot
// spot where an icon keeps planes and bit count.
QByteArray iconFile(const Picture &picture, int type, int hotSpotX, int hotSpotY)
{
    const QByteArray bitmap = bitmapOf(picture);
    QByteArray file;
    putWord(file, 0);
    putWord(file, type);
    putWord(file, 1);
    file.append(char(side)).append(char(side)).append(char(0)).append(char(0));
    putWord(file, type == 2 ? hotSpotX : 1);
    putWord(file, type == 2 ? hotSpotY : 32);
    putLong(file, int(bitmap.size()));
    putLong(file, 6 + 16);
    return file + bitmap;
}

bool write(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pointer_files OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const bool written = write(folder + "/HAND-M.CUR",
                               iconFile(hand, 2, handHotSpotX, handHotSpotY))
        && write(folder + "/drag.ico", iconFile(drag, 1, 0, 0));
    if (!written) {
        std::fprintf(stderr, "make_pointer_files: cannot write to %s\n", argv[1]);
        return 1;
    }
    return 0;
}
