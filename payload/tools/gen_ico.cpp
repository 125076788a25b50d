// Writes kovamain.ico, the icon of the KOVA main program and of its library
// files: a white K on a dark blue book with a yellow page edge, 32x32 and
// 16x16 in the 16-colour palette so that every Windows version shows it.
//
//   g++ -std=c++17 -O2 -o gen_ico gen_ico.cpp && ./gen_ico ../programs/kovamain.ico
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

enum Colour { kBlack = 0, kNavy = 4, kGrey = 8, kYellow = 11, kBlue = 12, kWhite = 15, kClear = -1 };

// The standard 16-colour palette, as RGB.
const std::uint32_t kPalette[16] = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// Squared distance of (x, y) from the segment (x0, y0)-(x1, y1).
double SegmentDistance2(double x, double y, double x0, double y0, double x1, double y1)
{
    double dx = x1 - x0, dy = y1 - y0;
    double t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy);
    if (t < 0) t = 0;
    if (t > 1) t = 1;
    double px = x0 + t * dx - x, py = y0 + t * dy - y;
    return px * px + py * py;
}

// The artwork on a 32-unit grid; x and y are the centre of a pixel.
int Pixel(double x, double y)
{
    bool inBook = x >= 4 && x < 27 && y >= 3 && y < 29;
    bool inPages = x >= 27 && x < 29 && y >= 5 && y < 30;
    bool inBottom = x >= 6 && x < 29 && y >= 29 && y < 30;
    if (!inBook && !inPages && !inBottom)
        return kClear;
    if (inPages || inBottom)
        return kYellow;
    if (x < 7)
        return kBlue;  // spine
    if (x >= 26 || y < 4 || y >= 28)
        return kBlack;  // outline
    const double w2 = 2.0 * 2.0;
    if (x >= 10 && x < 14 && y >= 7 && y < 25)
        return kWhite;
    if (SegmentDistance2(x, y, 13, 16, 22, 7.5) < w2 || SegmentDistance2(x, y, 15, 14.5, 22.5, 24) < w2)
        return kWhite;
    return kNavy;
}

void Put16(std::vector<unsigned char> &out, unsigned v)
{
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<unsigned char> &out, std::uint32_t v)
{
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// One icon image: header, palette, 4-bit colour rows and the 1-bit mask,
// both bottom-up with rows padded to four bytes.
std::vector<unsigned char> IconImage(int size)
{
    int xorRow = (size * 4 / 8 + 3) / 4 * 4;
    int andRow = (size / 8 + 3) / 4 * 4;
    std::vector<unsigned char> xorBits(xorRow * size), andBits(andRow * size);
    double scale = 32.0 / size;
    for (int row = 0; row < size; ++row) {
        int y = size - 1 - row;
        for (int x = 0; x < size; ++x) {
            int c = Pixel((x + 0.5) * scale, (y + 0.5) * scale);
            if (c == kClear) {
                andBits[row * andRow + x / 8] |= 0x80 >> (x % 8);
                c = kBlack;
            }
            xorBits[row * xorRow + x / 2] |= c << (x % 2 ? 0 : 4);
        }
    }
    std::vector<unsigned char> image;
    Put32(image, 40);
    Put32(image, size);
    Put32(image, size * 2);
    Put16(image, 1);
    Put16(image, 4);
    Put32(image, 0);
    Put32(image, xorBits.size() + andBits.size());
    for (int i = 0; i < 4; ++i)
        Put32(image, 0);
    for (std::uint32_t rgb : kPalette) {
        image.push_back(rgb & 0xFF);
        image.push_back((rgb >> 8) & 0xFF);
        image.push_back((rgb >> 16) & 0xFF);
        image.push_back(0);
    }
    image.insert(image.end(), xorBits.begin(), xorBits.end());
    image.insert(image.end(), andBits.begin(), andBits.end());
    return image;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_ico OUTPUT\n");
        return 2;
    }
    const int sizes[] = {32, 16};
    std::vector<std::vector<unsigned char>> images;
    for (int size : sizes)
        images.push_back(IconImage(size));

    std::vector<unsigned char> file;
    Put16(file, 0);
    Put16(file, 1);
    Put16(file, images.size());
    std::uint32_t offset = 6 + 16 * images.size();
    for (std::size_t i = 0; i < images.size(); ++i) {
        file.push_back(sizes[i]);
        file.push_back(sizes[i]);
        file.push_back(16);
        file.push_back(0);
        Put16(file, 1);
        Put16(file, 4);
        Put32(file, images[i].size());
        Put32(file, offset);
        offset += images[i].size();
    }
    for (const auto &image : images)
        file.insert(file.end(), image.begin(), image.end());

    std::FILE *out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    int ok = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    ok = std::fclose(out) == 0 && ok;
    if (!ok)
        std::perror(argv[1]);
    return ok ? 0 : 1;
}
