// LZHUF decoder: bit input, the adaptive Huffman tree with its rebuild, position codes.
#include "skin/LZH.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace skin {

namespace {

// Decoding tables of the fixed prefix code for the upper six position bits, indexed by
// the next eight input bits: codes are assigned in increasing order of value, value 0 with
// 3 bits, 1..3 with 4, 4..11 with 5, 12..23 with 6, 24..47 with 7 and 48..63 with 8.
struct PositionCode {
    std::array<std::uint8_t, 256> code{};
    std::array<std::uint8_t, 256> len{};
    PositionCode()
    {
        struct Group { int count, bits; };
        static constexpr Group groups[] = {{1, 3}, {3, 4}, {8, 5}, {12, 6}, {24, 7}, {16, 8}};
        int index = 0, value = 0;
        for (const Group& g : groups) {
            for (int v = 0; v < g.count; ++v, ++value) {
                for (int e = 0; e < (256 >> g.bits); ++e, ++index) {
                    code[index] = static_cast<std::uint8_t>(value);
                    len[index] = static_cast<std::uint8_t>(g.bits);
                }
            }
        }
    }
};

const PositionCode& Positions()
{
    static const PositionCode table;
    return table;
}

// The tree every decode starts from, built once and copied: symbols are the leaves in
// order (frequency 1, leaf links after the nodes), then each inner node joins the next
// two entries; the sentinel above the root closes the frequencies.
struct StartingTree {
    std::uint16_t freq[TLZH::TreeNodes + 1];
    std::int16_t prnt[TLZH::TreeNodes + TLZH::Symbols];
    std::int16_t son[TLZH::TreeNodes];
    StartingTree()
    {
        constexpr int Symbols = TLZH::Symbols, TreeNodes = TLZH::TreeNodes, Root = TLZH::Root;
        for (int i = 0; i < Symbols; ++i) {
            freq[i] = 1;
            son[i] = static_cast<std::int16_t>(i + TreeNodes);
            prnt[i + TreeNodes] = static_cast<std::int16_t>(i);
        }
        for (int i = 0, j = Symbols; j <= Root; i += 2, ++j) {
            freq[j] = static_cast<std::uint16_t>(freq[i] + freq[i + 1]);
            son[j] = static_cast<std::int16_t>(i);
            prnt[i] = prnt[i + 1] = static_cast<std::int16_t>(j);
        }
        freq[TreeNodes] = 0xFFFF;
        prnt[Root] = 0;
    }
};

const StartingTree& Start()
{
    static const StartingTree tree;
    return tree;
}

} // namespace

void TLZH::SetInput(const std::uint8_t* data, std::size_t size)
{
    input_ = data;
    inputSize_ = size;
    inputPos_ = 0;
}

std::size_t TLZH::ReadBytes(std::uint8_t* buffer, std::size_t count)
{
    std::size_t n = std::min(count, inputSize_ - inputPos_);
    if (n) std::memcpy(buffer, input_ + inputPos_, n);
    inputPos_ += n;
    return n;
}

std::size_t TLZH::WriteBytes(const std::uint8_t* buffer, std::size_t count)
{
    output_->insert(output_->end(), buffer, buffer + count);
    return count;
}

void TLZH::FillBits()
{
    while (bitCount_ <= 8) {
        std::uint8_t byte = 0;
        if (ReadBytes(&byte, 1) == 0 && ++bytesPastEnd_ > MaxBytesPastEnd)
            throw ElzhException("LZH : Unexpected end of compressed data");
        bitBuf_ = static_cast<std::uint16_t>(bitBuf_ | (byte << (8 - bitCount_)));
        bitCount_ = static_cast<std::uint8_t>(bitCount_ + 8);
    }
}

int TLZH::GetBit()
{
    FillBits();
    int bit = bitBuf_ >> 15;
    bitBuf_ = static_cast<std::uint16_t>(bitBuf_ << 1);
    --bitCount_;
    return bit;
}

int TLZH::GetByte()
{
    FillBits();
    int byte = bitBuf_ >> 8;
    bitBuf_ = static_cast<std::uint16_t>(bitBuf_ << 8);
    bitCount_ = static_cast<std::uint8_t>(bitCount_ - 8);
    return byte;
}

void TLZH::StartTree()
{
    const StartingTree& start = Start();
    std::memcpy(freq_, start.freq, sizeof freq_);
    std::memcpy(prnt_, start.prnt, sizeof prnt_);
    std::memcpy(son_, start.son, sizeof son_);
}

void TLZH::RebuildTree()
{
    int j = 0;
    for (int i = 0; i < TreeNodes; ++i) {
        if (son_[i] >= TreeNodes) {
            freq_[j] = static_cast<std::uint16_t>((freq_[i] + 1) / 2);
            son_[j] = son_[i];
            ++j;
        }
    }
    for (int i = 0, n = Symbols; n < TreeNodes; i += 2, ++n) {
        unsigned f = freq_[i] + freq_[i + 1];
        int k = n - 1;
        while (f < freq_[k]) --k;
        ++k;
        std::memmove(&freq_[k + 1], &freq_[k], (n - k) * sizeof freq_[0]);
        std::memmove(&son_[k + 1], &son_[k], (n - k) * sizeof son_[0]);
        freq_[k] = static_cast<std::uint16_t>(f);
        son_[k] = static_cast<std::int16_t>(i);
    }
    for (int k = 0; k < TreeNodes; ++k) {
        int s = son_[k];
        prnt_[s] = static_cast<std::int16_t>(k);
        if (s < TreeNodes) prnt_[s + 1] = static_cast<std::int16_t>(k);
    }
}

// The last index l >= from with freq_[l] < k, given freq_[from] < k. The frequencies are
// nondecreasing over the whole tree (the start, every update's swap and the rebuild's
// sorted insertion keep them so) except at the node just incremented, before from; the
// sentinel after the root is above any count, so the answer lies before it.
// A swap leaves k at the answer, so the next search for the same k usually ends one place
// lower: that guess is tried first and taken only when it checks out. Otherwise long runs
// of equal counts (all leaves at 1 while a stream starts) are crossed by doubling steps,
// then the last step is halved down.
int TLZH::LastBelow(int from, unsigned k)
{
    std::int16_t& last = lastBelow_[k % LastBelowSlots];
    int guess = last - 1;
    if (guess >= from && freq_[guess] < k && freq_[guess + 1] >= k) return last = static_cast<std::int16_t>(guess);
    int lo = from, step = 1;
    for (;;) {
        int next = std::min(lo + step, static_cast<int>(TreeNodes));
        if (freq_[next] >= k) {
            int hi = next; // freq_[lo] < k <= freq_[hi]
            while (hi - lo > 1) {
                int mid = lo + (hi - lo) / 2;
                (freq_[mid] < k ? lo : hi) = mid;
            }
            last = static_cast<std::int16_t>(lo);
            return lo;
        }
        lo = next;
        step *= 2;
    }
}

void TLZH::Update(int symbol)
{
    if (freq_[Root] == RebuildLimit) RebuildTree();
    int c = prnt_[symbol + TreeNodes];
    do {
        unsigned k = ++freq_[c];
        if (k > freq_[c + 1]) {
            int l = LastBelow(c + 1, k);
            freq_[c] = freq_[l];
            freq_[l] = static_cast<std::uint16_t>(k);

            int i = son_[c];
            prnt_[i] = static_cast<std::int16_t>(l);
            if (i < TreeNodes) prnt_[i + 1] = static_cast<std::int16_t>(l);
            int j = son_[l];
            son_[l] = static_cast<std::int16_t>(i);
            prnt_[j] = static_cast<std::int16_t>(c);
            if (j < TreeNodes) prnt_[j + 1] = static_cast<std::int16_t>(c);
            son_[c] = static_cast<std::int16_t>(j);
            c = l;
        }
        c = prnt_[c];
    } while (c != 0);
}

int TLZH::DecodeChar()
{
    int c = son_[Root];
    while (c < TreeNodes) c = son_[c + GetBit()];
    c -= TreeNodes;
    Update(c);
    return c;
}

int TLZH::DecodePosition()
{
    const PositionCode& pc = Positions();
    int i = GetByte();
    int upper = pc.code[i] << 6;
    for (int j = pc.len[i] - 2; j > 0; --j) i = (i << 1) + GetBit();
    return upper | (i & 0x3F);
}

// Every byte goes into the ring, which also buffers the output: it is handed on in runs,
// at the latest when the ring is about to overwrite the oldest byte not handed on yet.
void TLZH::Put(std::uint8_t byte)
{
    ring_[r_] = byte;
    r_ = (r_ + 1) & (Window - 1);
    if (++unwritten_ == Window) Flush();
}

void TLZH::Flush()
{
    int from = (r_ - unwritten_) & (Window - 1);
    int first = std::min(unwritten_, Window - from);
    WriteBytes(ring_ + from, static_cast<std::size_t>(first));
    WriteBytes(ring_, static_cast<std::size_t>(unwritten_ - first));
    unwritten_ = 0;
}

void TLZH::Decode(std::int32_t OutputSize)
{
    if (OutputSize > MaxOutputSize) throw ElzhException("LZH : Output size too large");
    bitBuf_ = 0;
    bitCount_ = 0;
    bytesPastEnd_ = 0;
    StartTree();
    std::memset(lastBelow_, 0, sizeof lastBelow_);
    // History before the start position is blanks; the bytes from it to the end of the
    // ring read as zeros until written (a long first match can reach them).
    std::memset(ring_, RingFill, StartPosition);
    std::memset(ring_ + StartPosition, 0, Window - StartPosition);
    r_ = StartPosition;
    unwritten_ = 0;
    try {
        for (std::int32_t count = 0; count < OutputSize;) {
            int c = DecodeChar();
            if (c < 256) {
                Put(static_cast<std::uint8_t>(c));
                ++count;
            } else {
                int src = (r_ - DecodePosition() - 1) & (Window - 1);
                int length = c - 255 + Threshold;
                for (int k = 0; k < length; ++k) Put(ring_[(src + k) & (Window - 1)]);
                count += length;
            }
        }
    } catch (...) {
        Flush(); // a damaged stream keeps what it produced
        throw;
    }
    Flush();
}

} // namespace skin
