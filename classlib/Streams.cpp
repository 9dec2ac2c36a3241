#include "classlib/Streams.h"

#include <algorithm>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace cl {

std::int64_t TStream::Size()
{
    std::int64_t pos = Position();
    std::int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

void TStream::SetSize(std::int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, std::int64_t count)
{
    if (count > 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count)
{
    if (count > 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count)
{
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<std::uint8_t> buffer(static_cast<size_t>(std::min<std::int64_t>(count, 0xF000)));
    std::int64_t left = count;
    while (left > 0) {
        std::int64_t n = std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size()));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

// ---------------------------------------------------------------------------------------

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count)
{
    std::int64_t n = std::max<std::int64_t>(0, std::min<std::int64_t>(count, Size() - pos_));
    if (n > 0) std::memcpy(buffer, data_.data() + pos_, static_cast<size_t>(n));
    pos_ += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count)
{
    if (count <= 0) return 0;
    if (pos_ + count > Size()) data_.resize(static_cast<size_t>(pos_ + count));
    std::memcpy(data_.data() + pos_, buffer, static_cast<size_t>(count));
    pos_ += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    std::int64_t base = origin == TSeekOrigin::soBeginning ? 0 : origin == TSeekOrigin::soCurrent ? pos_ : Size();
    pos_ = std::max<std::int64_t>(0, base + offset);
    return pos_;
}

void TMemoryStream::SetSize(std::int64_t size)
{
    data_.resize(static_cast<size_t>(std::max<std::int64_t>(0, size)));
    pos_ = std::min(pos_, Size());
}

void TMemoryStream::Clear()
{
    data_.clear();
    pos_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream)
{
    stream.SetPosition(0);
    std::int64_t size = stream.Size();
    data_.assign(static_cast<size_t>(size), 0);
    stream.ReadBuffer(data_.data(), size);
    pos_ = 0;
}

void TMemoryStream::SaveToStream(TStream& stream) const { stream.WriteBuffer(data_.data(), static_cast<std::int64_t>(data_.size())); }

void TMemoryStream::LoadFromFile(const AnsiString& fileName)
{
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const AnsiString& fileName) const
{
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

// ---------------------------------------------------------------------------------------

#ifdef _WIN32

std::int64_t THandleStream::Read(void* buffer, std::int64_t count)
{
    DWORD done = 0;
    if (count <= 0 || !ReadFile(handle_, buffer, static_cast<DWORD>(std::min<std::int64_t>(count, 0x7FFFFFFF)), &done, nullptr)) return 0;
    return done;
}

std::int64_t THandleStream::Write(const void* buffer, std::int64_t count)
{
    DWORD done = 0;
    if (count <= 0 || !WriteFile(handle_, buffer, static_cast<DWORD>(std::min<std::int64_t>(count, 0x7FFFFFFF)), &done, nullptr)) return 0;
    return done;
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    LARGE_INTEGER to, now;
    to.QuadPart = offset;
    DWORD how = origin == TSeekOrigin::soBeginning ? FILE_BEGIN : origin == TSeekOrigin::soCurrent ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(handle_, to, &now, how)) return -1;
    return now.QuadPart;
}

void THandleStream::SetSize(std::int64_t size)
{
    Seek(size, TSeekOrigin::soBeginning);
    if (!SetEndOfFile(handle_)) throw EStreamError("Stream size cannot be changed");
}

TFileStream::TFileStream(const AnsiString& fileName, unsigned mode) : THandleStream(INVALID_HANDLE_VALUE), fileName_(fileName)
{
    static const DWORD access[] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE};
    static const DWORD share[] = {FILE_SHARE_READ | FILE_SHARE_WRITE, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE};
    if (mode == fmCreate) {
        handle_ = CreateFileA(fileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) throw EFCreateError("Cannot create file \"" + fileName + "\"");
        return;
    }
    unsigned a = mode & 3, s = (mode & 0xF0) >> 4;
    if (a > 2 || s > 4) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    handle_ = CreateFileA(fileName.c_str(), access[a], share[s], nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) throw EFOpenError("Cannot open file \"" + fileName + "\"");
}

TFileStream::~TFileStream()
{
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
}

#else

std::int64_t THandleStream::Read(void* buffer, std::int64_t count)
{
    ssize_t n = count > 0 ? ::read(handle_, buffer, static_cast<size_t>(count)) : 0;
    return n < 0 ? 0 : n;
}

std::int64_t THandleStream::Write(const void* buffer, std::int64_t count)
{
    ssize_t n = count > 0 ? ::write(handle_, buffer, static_cast<size_t>(count)) : 0;
    return n < 0 ? 0 : n;
}

std::int64_t THandleStream::Seek(std::int64_t offset, TSeekOrigin origin)
{
    int how = origin == TSeekOrigin::soBeginning ? SEEK_SET : origin == TSeekOrigin::soCurrent ? SEEK_CUR : SEEK_END;
    return ::lseek(handle_, offset, how);
}

void THandleStream::SetSize(std::int64_t size)
{
    if (::ftruncate(handle_, size) != 0) throw EStreamError("Stream size cannot be changed");
}

TFileStream::TFileStream(const AnsiString& fileName, unsigned mode) : THandleStream(-1), fileName_(fileName)
{
    if (mode == fmCreate) {
        handle_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (handle_ < 0) throw EFCreateError("Cannot create file \"" + fileName + "\"");
        return;
    }
    static const int access[] = {O_RDONLY, O_WRONLY, O_RDWR};
    unsigned a = mode & 3;
    if (a > 2) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    handle_ = ::open(fileName.c_str(), access[a]);
    if (handle_ < 0) throw EFOpenError("Cannot open file \"" + fileName + "\"");
}

TFileStream::~TFileStream()
{
    if (handle_ >= 0) ::close(handle_);
}

#endif

} // namespace cl
