#include "compressor.h"

#include <algorithm>
#include <cstring>

#include "core/szdd.h"

namespace {

// The text is searched as one stream: the ring's preset spaces, then the data.
// Stream position SzddRingSize is data byte 0 and sits at ring index
// SzddRingStart, so stream position u is at ring index (u - 16) mod 4096.
const uint32_t Preset = SzddRingSize;
const uint32_t Window = SzddRingSize;        // farthest distance back
const uint32_t TreeSlots = 2 * SzddRingSize;  // > Window: a node and the one a full window back never share a slot
const uint32_t HashBits = 16;
const uint32_t Empty = 0xFFFFFFFFu;
const uint32_t LiteralBits = 9;
const uint32_t MatchBits = 17;

uint32_t Hash3(const uint8_t* p)
{
    uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
    return (v * 2654435761u) >> (32 - HashBits);
}

// Binary trees of the positions in the window, one per hash of the first
// three bytes, each ordered by the SzddMaxMatch bytes that start there.
// Inserting a position walks its tree from the newest node down; the nodes
// met are the new string's neighbours in order, so the longest match is
// among them. The new node becomes the root and the walk splits the old tree
// into its two subtrees; node positions fall along every path, so a node
// that has left the window cuts off everything below it.
class MatchFinder {
public:
    explicit MatchFinder(const uint8_t* text) : text_(text), head_(1u << HashBits, Empty), son_(2 * TreeSlots, Empty) {}

    // Inserts position p and returns the longest match length (0..18) against
    // the window before it, with its stream position in matchPos.
    uint32_t Insert(uint32_t p, uint32_t& matchPos)
    {
        const uint8_t* cur = text_ + p;
        uint32_t h = Hash3(cur);
        uint32_t node = head_[h];
        head_[h] = p;
        uint32_t* ptr0 = &son_[2 * (p % TreeSlots) + 1];
        uint32_t* ptr1 = &son_[2 * (p % TreeSlots)];
        uint32_t len0 = 0, len1 = 0, best = 0;
        for (;;) {
            if (node == Empty || p - node > Window) {
                *ptr0 = *ptr1 = Empty;
                return best;
            }
            uint32_t* pair = &son_[2 * (node % TreeSlots)];
            const uint8_t* pb = text_ + node;
            uint32_t len = len0 < len1 ? len0 : len1;
            while (len < SzddMaxMatch && pb[len] == cur[len])
                len++;
            if (len > best) {
                best = len;
                matchPos = node;
            }
            if (len == SzddMaxMatch) {
                // The older node says nothing the new one does not: drop it.
                *ptr1 = pair[0];
                *ptr0 = pair[1];
                return best;
            }
            if (pb[len] < cur[len]) {
                *ptr1 = node;
                ptr1 = &pair[1];
                node = *ptr1;
                len1 = len;
            } else {
                *ptr0 = node;
                ptr0 = &pair[0];
                node = *ptr0;
                len0 = len;
            }
        }
    }

private:
    const uint8_t* text_;
    std::vector<uint32_t> head_;
    std::vector<uint32_t> son_;
};

uint16_t RingIndex(uint32_t streamPos)
{
    return static_cast<uint16_t>((streamPos + SzddRingStart) & (SzddRingSize - 1));
}

}  // namespace

std::vector<uint8_t> SzddCompress(const uint8_t* data, size_t size, char nameChar)
{
    if (size > 0xFFFFFFFFu)
        return std::vector<uint8_t>();  // the header cannot say the size
    const size_t n = size;
    // Spaces, the data, and padding so that a compare never needs a bound;
    // lengths are cut to what is left afterwards.
    std::vector<uint8_t> text(Preset + n + SzddMaxMatch, 0);
    std::memset(text.data(), SzddRingFill, Preset);
    if (n != 0)
        std::memcpy(&text[Preset], data, n);

    std::vector<uint8_t> length(n);  // longest match, later the chosen item
    std::vector<uint16_t> source(n); // ring index where that match starts
    MatchFinder finder(text.data());
    uint32_t pos = 0;
    for (uint32_t p = 0; p < Preset; p++)
        finder.Insert(p, pos);
    for (size_t i = 0; i < n; i++) {
        uint32_t len = finder.Insert(static_cast<uint32_t>(Preset + i), pos);
        size_t left = n - i;
        if (len > left)
            len = static_cast<uint32_t>(left);
        if (len >= SzddMinMatch) {
            length[i] = static_cast<uint8_t>(len);
            source[i] = RingIndex(pos);
        }
    }

    // cost[i]: fewest bits (flag bits included) that encode data[i..n). Every
    // length from 3 up to the longest is a match too. Only the next 18 costs
    // are ever looked at, so they live in a small ring.
    const size_t CostRing = 32;
    uint32_t cost[CostRing] = {0};
    for (size_t i = n; i-- > 0;) {
        uint32_t bestCost = cost[(i + 1) % CostRing] + LiteralBits;
        uint32_t bestLen = 0;
        for (uint32_t len = SzddMinMatch; len <= length[i]; len++) {
            uint32_t c = cost[(i + len) % CostRing] + MatchBits;
            if (c < bestCost) {
                bestCost = c;
                bestLen = len;
            }
        }
        cost[i % CostRing] = bestCost;
        length[i] = static_cast<uint8_t>(bestLen);
    }

    std::vector<uint8_t> out(SzddHeaderSize);
    out.reserve(SzddHeaderSize + cost[0] / 8 + 2);
    SzddWriteHeader(out.data(), nameChar, static_cast<uint32_t>(n));
    size_t flagAt = 0;
    int items = 8;
    for (size_t i = 0; i < n;) {
        if (items == 8) {
            flagAt = out.size();
            out.push_back(0);
            items = 0;
        }
        uint32_t len = length[i];
        if (len == 0) {
            out[flagAt] |= static_cast<uint8_t>(1u << items);
            out.push_back(data[i]);
            i++;
        } else {
            uint32_t ring = source[i];
            out.push_back(static_cast<uint8_t>(ring & 0xFF));
            out.push_back(static_cast<uint8_t>(((ring >> 4) & 0xF0) | (len - SzddMinMatch)));
            i += len;
        }
        items++;
    }
    return out;
}
