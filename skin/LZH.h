// LZHUF decoding: an LZSS ring of 4096 bytes whose literals and match lengths share one
// adaptive Huffman code, with a fixed prefix code for the upper bits of match positions.
#pragma once

#include "classlib/SysUtils.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace skin {

class ElzhException : public cl::Exception {
    using cl::Exception::Exception;
};

class TLZH {
public:
    // Largest output a decode accepts; the size comes from outside the coded bits, and a
    // damaged stream would otherwise produce gigabytes of bytes decoded from zero bits.
    static constexpr std::int32_t MaxOutputSize = 32 * 1024 * 1024;

    // The input is read from data[0..size) and must outlive Decode; output is appended.
    void SetInput(const std::uint8_t* data, std::size_t size);
    void SetOutput(std::vector<std::uint8_t>& output) { output_ = &output; }

    // Decodes until OutputSize bytes exist (a damaged stream may overshoot by up to 59).
    // The bit buffer reads up to two bytes ahead, so a sound stream may need two bytes
    // past its end, read as zero bits; a stream that needs a third is damaged. Sizes above
    // MaxOutputSize and damaged streams raise ElzhException.
    void Decode(std::int32_t OutputSize);
    static constexpr int MaxBytesPastEnd = 2;

    static constexpr int Window = 4096;
    static constexpr int LongestMatch = 60;
    static constexpr int Threshold = 2;
    static constexpr int Symbols = 256 - Threshold + LongestMatch; // 314
    static constexpr int TreeNodes = 2 * Symbols - 1;              // 627
    static constexpr int Root = TreeNodes - 1;
    static constexpr unsigned RebuildLimit = 0x8000;
    static constexpr std::uint8_t RingFill = 0x20;
    static constexpr int StartPosition = Window - LongestMatch;    // 4036

private:

    std::size_t ReadBytes(std::uint8_t* buffer, std::size_t count);
    std::size_t WriteBytes(const std::uint8_t* buffer, std::size_t count);

    void FillBits();
    int GetBit();
    int GetByte();
    void StartTree();
    void RebuildTree();
    void Update(int symbol);
    int DecodeChar();
    int DecodePosition();
    void Put(std::uint8_t byte);
    void Flush();
    int LastBelow(int from, unsigned k);

    const std::uint8_t* input_ = nullptr;
    std::size_t inputSize_ = 0;
    std::size_t inputPos_ = 0;
    int bytesPastEnd_ = 0;
    std::vector<std::uint8_t>* output_ = nullptr;
    std::uint16_t bitBuf_ = 0;
    std::uint8_t bitCount_ = 0;
    int r_ = 0;
    int unwritten_ = 0; // bytes before r_ in the ring not yet handed to WriteBytes
    // Set up afresh by every Decode. Members rather than a block allocated per decode:
    // the object is made for one unpacking anyway, and the tables need no zero fill.
    std::uint16_t freq_[TreeNodes + 1];
    std::int16_t prnt_[TreeNodes + Symbols];
    std::int16_t son_[TreeNodes];
    std::uint8_t ring_[Window];
    // The answers of the last searches, by count modulo the slots: hints, always checked.
    static constexpr int LastBelowSlots = 64;
    std::int16_t lastBelow_[LastBelowSlots];
};

} // namespace skin
