#pragma once

#include "ftp/ftp_types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The local file of a running transfer. Writes are gathered into a larger
// block before they reach the file, because the network side delivers
// pieces of at most 2048 bytes; a failed write is reported by the write that
// sees it or, at the latest, by Release. Reads go in large blocks into a
// buffer of the stream's own, which the caller sends from directly.
//
// Sharing: Linux has no mandatory share modes. The modes that deny others
// are kept with advisory locks (flock): exclusive and deny-read take an
// exclusive lock, deny-write a shared one, compatible and deny-none none. So
// two transfers of this program cannot write one file at once, while other
// programs are not hindered.
class FtpLocalStream {
public:
    FtpLocalStream() = default;
    ~FtpLocalStream();
    FtpLocalStream(const FtpLocalStream&) = delete;
    FtpLocalStream& operator=(const FtpLocalStream&) = delete;

    // Creates (truncating) the file for writing.
    bool CreateForWrite(const std::string& path, TFtpShareMode share);
    // Opens an existing file for writing, positioned at offset.
    bool OpenForWriteAt(const std::string& path, std::int64_t offset, TFtpShareMode share);
    // Opens the file for reading, positioned at offset. Only a regular file
    // (or a link to one) is opened, never waiting for a FIFO's writer.
    bool OpenForRead(const std::string& path, std::int64_t offset, TFtpShareMode share);

    // A download's file, in two moves, so that a download that never starts
    // leaves the file as it was. PrepareForWrite opens it without changing
    // it (or, with no such file, creates it empty) and takes the lock;
    // BeginWriting, when the transfer starts, empties it or positions it at
    // offset. Released before that, a file that Prepare created is removed
    // again. With seedFrom, the file does not exist yet and the bytes to
    // resume after are that other file's first `offset` bytes: BeginWriting
    // copies them in, and the other file is never written.
    bool PrepareForWrite(const std::string& path, std::int64_t offset, TFtpShareMode share,
                         const std::string& seedFrom = {});
    bool BeginWriting();
    bool WritingBegun() const { return writingBegun_; }

    bool IsOpen() const { return fd_ >= 0; }
    bool Write(const char* data, int length);
    // Reads the next block of the file, up to ReadBlockSize bytes; data
    // points at the bytes until the next read or Release. Bytes read, 0 at
    // the end of the file, -1 on a read error.
    int ReadBlock(const char*& data);
    static constexpr int ReadBlockSize = 512 * 1024;
    // Writes what is gathered and closes. False when a write failed.
    bool Release();
    // The system's error number of the last failed write (or of the
    // emptying, positioning or copying that BeginWriting does); 0 if none.
    int ErrorNumber() const { return errorNumber_; }
    // The last open failed because the file is a FIFO, device, socket or
    // folder.
    bool NotRegularFile() const { return notRegularFile_; }

    // Size of a file, -1 when there is no such file.
    static std::int64_t FileSize(const std::string& path);

private:
    bool Open(const std::string& path, int flags, std::int64_t offset, TFtpShareMode share,
              bool exclusiveLock);
    bool FlushPending();
    bool CopySeed();

    struct AlignedDelete {
        void operator()(char* block) const;
    };

    int fd_ = -1;
    bool failed_ = false;
    int errorNumber_ = 0;
    bool notRegularFile_ = false;
    // A prepared download file: where writing begins, whether it began, and
    // the path when Prepare created the file.
    std::int64_t writeOffset_ = 0;
    bool writingBegun_ = true;
    std::string createdPath_;
    std::string seedFrom_;
    std::vector<char> pending_;
    std::unique_ptr<char, AlignedDelete> readBlock_;
};
