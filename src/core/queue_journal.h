#pragma once

#include "core/text_line_list.h"

#include <cstddef>
#include <string>
#include <string_view>

// The queue file ("koefil.dfd") holds every file still to be transferred and
// keeps its format: a count line, then nine lines per entry. Rewriting it
// after every transferred file would cost as much as the whole queue each
// time, so between two whole writes each entry that leaves the queue is
// noted in a small journal beside it ("koefil.dfd.journal"): one line per
// entry, naming the entry by its place in the queue file and a fingerprint
// of its nine lines, behind a first line that names the queue file it
// belongs to (a fingerprint of its bytes and its length). Entries may leave
// in any order.
//
// Whoever reads the queue file reads it through loadQueueFile, which leaves
// out what the journal names. A journal whose first line does not match the
// queue file beside it (the queue file was written whole since, and a kill
// came before the journal was removed) is ignored, as is a torn last line:
// what was not noted is only sent again. Whoever writes the queue file
// whole or removes it goes through replaceQueueFile and removeQueueFile,
// which retire the journal in an order that a kill cannot turn into a lost
// entry.

// The journal's path for a queue file.
std::string queueJournalPath(const std::string& queuePath);

// The queue file's lines with the entries the journal names taken out (the
// count line counts what is left; it may be "0"). False, with the reason in
// `failure` when asked for, when the queue file cannot be read; the
// journal's own faults only make it count for less.
bool loadQueueFile(const std::string& queuePath, TextLineList& lines, std::string* failure = nullptr);

// Writes the queue file whole and retires its journal, which described the
// file written before.
bool replaceQueueFile(const std::string& queuePath, std::string_view bytes, FileAccess access, FileReplace replace);

// Removes the queue file (and the swap file of its frequent saves), then its
// journal. True when no queue file is left.
bool removeQueueFile(const std::string& queuePath);

// At start, by the one writer of the data directory: a journal is folded
// into its queue file, so what the program works from is a plain queue file
// again; a queue whose every entry the journal names is removed; a journal
// without its queue file, or one written for another queue file, goes. A
// queue file that cannot be read is left as it is, with its journal, for
// the user to put right.
void settleQueueFile(const std::string& queuePath);

// Notes entries leaving the queue file this process wrote last.
class QueueJournal {
public:
    explicit QueueJournal(std::string queuePath);

    // The queue file now holds `bytes` (its old journal is gone): entries
    // are named by their place in it from here on.
    void fileWritten(std::string_view bytes);
    // The queue file may have been written by someone else: nothing is
    // noted until this process writes it again.
    void forgetFile();
    // Whether entries of the file can be noted.
    bool ready() const { return !header_.empty(); }

    // Notes that entry `place` (from 1) of the queue file, whose nine lines
    // (each ended by CR LF) are `entryText`, has left the queue. False when
    // it could not be written; the entry then stays in the file until the
    // next whole write.
    bool noteLeft(std::size_t place, std::string_view entryText);

    // Entries noted since the file was last written whole.
    std::size_t notedCount() const { return noted_; }

private:
    std::string queuePath_;
    std::string journalPath_;
    std::string header_;
    std::size_t noted_ = 0;
    bool started_ = false;
};
