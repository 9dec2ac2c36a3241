// Streams: the abstract byte stream, an in-memory stream and streams over files.
#pragma once

#include "classlib/Classes.h"

namespace cl {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class EWriteError : public EStreamError { using EStreamError::EStreamError; };

class TStream : public TObject {
public:
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    virtual std::int64_t Size();
    virtual void SetSize(std::int64_t size);

    void ReadBuffer(void* buffer, std::int64_t count);        // EReadError when short
    void WriteBuffer(const void* buffer, std::int64_t count); // EWriteError when short
    // Copies count bytes from source's position; count 0 copies all of source from its start.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

class TMemoryStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }
    void SetSize(std::int64_t size) override;

    std::uint8_t* Memory() { return data_.data(); }
    const TBytes& Bytes() const { return data_; }
    void Clear();
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const AnsiString& fileName);
    void SaveToFile(const AnsiString& fileName) const;

private:
    TBytes data_;
    std::int64_t pos_ = 0;
};

// File modes: one access mode or'ed with one sharing mode; fmCreate makes or truncates.
enum : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFFFF,
};

// A stream over an operating-system file handle that it does not own.
class THandleStream : public TStream {
public:
#ifdef _WIN32
    using Handle = void*;
#else
    using Handle = int;
#endif
    explicit THandleStream(Handle handle) : handle_(handle) {}
    Handle GetHandle() const { return handle_; }
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t size) override;

protected:
    Handle handle_;
};

// A file opened (8-bit name) for the stream's life; EFOpenError / EFCreateError on failure.
class TFileStream : public THandleStream {
public:
    TFileStream(const AnsiString& fileName, unsigned mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    const AnsiString& FileName() const { return fileName_; }

private:
    AnsiString fileName_;
};

} // namespace cl
