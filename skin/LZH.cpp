// LZHUF decoder: bit input, the adaptive Huffman tree with its rebuild, position codes.
#include "skin/LZH.h"

#include <array>
#include <cstring>
#include <memory>
#include <new>

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
    Tables& t = *t_;
    for (int i = 0; i < Symbols; ++i) {
        t.freq[i] = 1;
        t.son[i] = static_cast<std::int16_t>(i + TreeNodes);
        t.prnt[i + TreeNodes] = static_cast<std::int16_t>(i);
    }
    for (int i = 0, j = Symbols; j <= Root; i += 2, ++j) {
        t.freq[j] = static_cast<std::uint16_t>(t.freq[i] + t.freq[i + 1]);
        t.son[j] = static_cast<std::int16_t>(i);
        t.prnt[i] = t.prnt[i + 1] = static_cast<std::int16_t>(j);
    }
    t.freq[TreeNodes] = 0xFFFF;
    t.prnt[Root] = 0;
}

void TLZH::RebuildTree()
{
    Tables& t = *t_;
    int j = 0;
    for (int i = 0; i < TreeNodes; ++i) {
        if (t.son[i] >= TreeNodes) {
            t.freq[j] = static_cast<std::uint16_t>((t.freq[i] + 1) / 2);
            t.son[j] = t.son[i];
            ++j;
        }
    }
    for (int i = 0, n = Symbols; n < TreeNodes; i += 2, ++n) {
        unsigned f = t.freq[i] + t.freq[i + 1];
        int k = n - 1;
        while (f < t.freq[k]) --k;
        ++k;
        std::memmove(&t.freq[k + 1], &t.freq[k], (n - k) * sizeof t.freq[0]);
        std::memmove(&t.son[k + 1], &t.son[k], (n - k) * sizeof t.son[0]);
        t.freq[k] = static_cast<std::uint16_t>(f);
        t.son[k] = static_cast<std::int16_t>(i);
    }
    for (int k = 0; k < TreeNodes; ++k) {
        int s = t.son[k];
        t.prnt[s] = static_cast<std::int16_t>(k);
        if (s < TreeNodes) t.prnt[s + 1] = static_cast<std::int16_t>(k);
    }
}

void TLZH::Update(int symbol)
{
    Tables& t = *t_;
    if (t.freq[Root] == RebuildLimit) RebuildTree();
    int c = t.prnt[symbol + TreeNodes];
    do {
        unsigned k = ++t.freq[c];
        if (k > t.freq[c + 1]) {
            int l = c + 1;
            while (k > t.freq[l + 1]) ++l;
            t.freq[c] = t.freq[l];
            t.freq[l] = static_cast<std::uint16_t>(k);

            int i = t.son[c];
            t.prnt[i] = static_cast<std::int16_t>(l);
            if (i < TreeNodes) t.prnt[i + 1] = static_cast<std::int16_t>(l);
            int j = t.son[l];
            t.son[l] = static_cast<std::int16_t>(i);
            t.prnt[j] = static_cast<std::int16_t>(c);
            if (j < TreeNodes) t.prnt[j + 1] = static_cast<std::int16_t>(c);
            t.son[c] = static_cast<std::int16_t>(j);
            c = l;
        }
        c = t.prnt[c];
    } while (c != 0);
}

int TLZH::DecodeChar()
{
    int c = t_->son[Root];
    while (c < TreeNodes) c = t_->son[c + GetBit()];
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

void TLZH::Put(std::uint8_t byte)
{
    WriteBytes(&byte, 1);
    t_->ring[r_] = byte;
    r_ = (r_ + 1) & (Window - 1);
}

void TLZH::Decode(std::int32_t OutputSize)
{
    if (OutputSize > MaxOutputSize) throw ElzhException("LZH : Output size too large");
    std::unique_ptr<Tables> tables(new (std::nothrow) Tables{});
    if (!tables) throw ElzhException("LZH : Cannot get memory for dictionary tables");
    t_ = tables.get();
    struct Release {
        Tables*& t;
        ~Release() { t = nullptr; }
    } release{t_};

    bitBuf_ = 0;
    bitCount_ = 0;
    bytesPastEnd_ = 0;
    StartTree();
    std::memset(t_->ring, RingFill, StartPosition);
    r_ = StartPosition;
    for (std::int32_t count = 0; count < OutputSize;) {
        int c = DecodeChar();
        if (c < 256) {
            Put(static_cast<std::uint8_t>(c));
            ++count;
        } else {
            int src = (r_ - DecodePosition() - 1) & (Window - 1);
            int length = c - 255 + Threshold;
            for (int k = 0; k < length; ++k) Put(t_->ring[(src + k) & (Window - 1)]);
            count += length;
        }
    }
}

} // namespace skin
