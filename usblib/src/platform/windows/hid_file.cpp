#include "hid_file.h"

#include <cstring>

namespace ousb::platform {

namespace windows {

namespace {

// Windows keeps 32 input reports per open interface by default (Wine too);
// a client callback that holds the worker would lose the rest of a burst.
// 512 is the most Windows accepts.
constexpr ULONG kInputBuffers = 512;

bool isDisconnect(DWORD error)
{
    return error == ERROR_DEVICE_NOT_CONNECTED;
}

} // namespace

WinHidFile::WinHidFile(HANDLE handle, std::string path, uint32_t appearance)
    : handle_(handle)
    , path_(std::move(path))
    , appearance_(appearance)
    , read_(new PendingRead)
    , writeEvent_(CreateEventA(nullptr, FALSE, FALSE, nullptr))
{
}

// The worker closes every file before its record goes (so a read in flight
// is handed over on the worker); the last owner may be any thread.
WinHidFile::~WinHidFile()
{
    close();
    delete read_;
    if (writeEvent_)
        CloseHandle(writeEvent_);
}

bool WinHidFile::isOpen() const
{
    std::lock_guard lock(mutex_);
    return handle_ != INVALID_HANDLE_VALUE;
}

bool WinHidFile::productString(std::string& out)
{
    std::lock_guard lock(mutex_);
    wchar_t wide[256] = {}; // 512 bytes
    if (handle_ == INVALID_HANDLE_VALUE || !HidD_GetProductString(handle_, wide, sizeof wide))
        return false;
    wide[255] = L'\0';
    char narrow[512] = {};
    int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
    if (n <= 0)
        return false;
    out.assign(narrow);
    return true;
}

void WinHidFile::noteGone()
{
    noteDeparture(path_, appearance_);
}

IoResult WinHidFile::write(const uint8_t* report65, int timeoutMs)
{
    if (closing_)
        return {IoStatus::failed, ERROR_INVALID_HANDLE, 0};
    std::lock_guard lock(mutex_);
    if (handle_ == INVALID_HANDLE_VALUE || !writeEvent_)
        return {IoStatus::failed, ERROR_INVALID_HANDLE, 0};
    std::memset(&writeOverlapped_, 0, sizeof writeOverlapped_);
    writeOverlapped_.hEvent = writeEvent_;
    DWORD written = 0;
    if (!WriteFile(handle_, report65, 65, &written, &writeOverlapped_)) {
        DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            if (isDisconnect(error))
                noteGone();
            return {isDisconnect(error) ? IoStatus::disconnected : IoStatus::failed, int(error), 0};
        }
        // A write the driver finished at once needs no wait (one call into
        // the system less); the event stays set until the next write starts.
        if (!HasOverlappedIoCompleted(&writeOverlapped_) &&
            WaitForSingleObject(writeEvent_, DWORD(timeoutMs)) != WAIT_OBJECT_0) {
            // The block and the buffer are the caller's: the write must be
            // over before this returns.
            CancelIoEx(handle_, &writeOverlapped_);
            GetOverlappedResult(handle_, &writeOverlapped_, &written, TRUE);
            return {IoStatus::timedOut, WAIT_TIMEOUT, 0};
        }
        if (!GetOverlappedResult(handle_, &writeOverlapped_, &written, FALSE)) {
            error = GetLastError();
            if (isDisconnect(error))
                noteGone();
            return {isDisconnect(error) ? IoStatus::disconnected : IoStatus::failed, int(error), written};
        }
    }
    return {IoStatus::ok, 0, written};
}

bool WinHidFile::startRead(uint64_t key, int& error)
{
    if (handle_ == INVALID_HANDLE_VALUE || !read_ || read_->inFlight) {
        error = ERROR_INVALID_HANDLE;
        return false;
    }
    PendingRead& r = *read_;
    std::memset(&r.overlapped, 0, sizeof r.overlapped);
    r.key = key_ = key;
    r.completed = false;
    r.buffer[0] = 0xFF;
    r.inFlight = true;
    if (!ReadFileEx(handle_, r.buffer.data(), DWORD(r.buffer.size()), &r.overlapped, onReadCompleted)) {
        r.inFlight = false;
        error = int(GetLastError());
        return false;
    }
    return true;
}

void WinHidFile::dropCompleted()
{
    if (read_)
        read_->completed = false;
}

IoResult WinHidFile::read(uint8_t* report64)
{
    if (!read_ || !read_->completed)
        return {IoStatus::wouldBlock, 0, 0};
    PendingRead& r = *read_;
    r.completed = false;
    if (r.error != 0) {
        if (isDisconnect(r.error))
            noteGone();
        return {isDisconnect(r.error) ? IoStatus::disconnected : IoStatus::failed, int(r.error), r.bytes};
    }
    if (r.bytes == 0)
        return {IoStatus::failed, 0, 0};
    // Windows hands over the report ID byte first.
    size_t n = std::min<size_t>(r.bytes - 1, 64);
    std::memcpy(report64, r.buffer.data() + 1, n);
    return {IoStatus::ok, 0, n};
}

void WinHidFile::close()
{
    closing_ = true;
    if (read_ && read_->inFlight) {
        // The worker's own read: CancelIo cancels what this thread started.
        CancelIo(handle_);
        read_->orphaned = true;
        read_ = nullptr;
    }
    std::unique_lock lock(mutex_, std::defer_lock);
    if (!lock.try_lock()) {
        // A writer waits for its write: cut it short, then take the file.
        CancelIoEx(handle_, &writeOverlapped_);
        lock.lock();
    }
    if (handle_ != INVALID_HANDLE_VALUE)
        CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

} // namespace windows

std::unique_ptr<HidFile> openHidFile(const HidInterface& iface, int& error)
{
    HANDLE h = CreateFileA(iface.devnode.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED | FILE_FLAG_NO_BUFFERING, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = int(GetLastError());
        return nullptr;
    }
    HidD_SetNumInputBuffers(h, windows::kInputBuffers);
    error = 0;
    return std::make_unique<windows::WinHidFile>(h, iface.path, iface.appearance);
}

} // namespace ousb::platform
