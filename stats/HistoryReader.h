#pragma once

#include "stats/HistoryFile.h"
#include "stats/HistoryRecord.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <vector>

// Reads system/history.csv a block at a time and hands each round to a sink as it goes, so a
// history of a million rounds is read in the same few hundred kilobytes as one of ten: the
// progress window keeps only what it shows, never every record.
class HistoryReader {
public:
    // Called once per round, oldest first. The sink may take the record's lists (swap them
    // for others): every field is filled anew for the next round. Its time is left empty:
    // nothing that streams the history shows it.
    using Sink = std::function<void(HistoryRecord&)>;
    static constexpr int ReportedLines = 10; // line numbers kept of the skipped lines

    struct Result {
        int rounds = 0;
        // Complete lines that did not read as a round (edited by hand): how many, and the
        // first ReportedLines of their 1-based line numbers.
        int skipped = 0;
        std::vector<int> skippedLines;
        bool tornTail = false; // a last line without its line end, cut short by a crash
        // Why nothing could be read; empty when the file was read (a missing file is empty).
        QString error;
    };

    static constexpr qint64 BlockBytes = 1024 * 1024;

    static Result read(const Sink& sink, const QString& gamePath);
    // The same, a long history read in two halves at once: the rounds before a line near the
    // middle go to `first`, the rest to `second` on a thread of its own, each oldest first.
    // A history shorter than SplitBytes goes to `first` alone.
    static constexpr qint64 SplitBytes = 1024 * 1024;
    static Result readInTwo(const Sink& first, const Sink& second, const QString& gamePath);
    // The same rules over bytes in memory, handed over `blockBytes` at a time as from a file.
    static Result readBytes(const QByteArray& bytes, const Sink& sink,
                            qsizetype blockBytes = BlockBytes);
    // readInTwo over bytes in memory, cut after the line that holds byte `split`.
    static Result readBytesInTwo(const QByteArray& bytes, const Sink& first, const Sink& second,
                                 qsizetype split, qsizetype blockBytes = BlockBytes);
    // One round from a line (without its line end) of a history whose header has `fields`
    // fields: the lines HistoryFile::parseLine takes, and the same record but for the time.
    static bool parseLine(const char* begin, const char* end, HistoryRecord& record,
                          int fields = HistoryFile::FieldCount);

private:
    // Reads `room` bytes at an offset into `out`: how many, 0 at the end, -1 on an error.
    using Source = std::function<qint64(qint64 at, char* out, qint64 room)>;

    explicit HistoryReader(const Sink& sink) : m_sink(sink) {}
    // A reader of the lines after the header, whose lines hold `fields` fields.
    HistoryReader(const Sink& sink, int fields) : m_sink(sink), m_lineNo(1), m_fields(fields) {}
    // Feeds the bytes from `from` up to `to` (or the end when `to` is negative).
    void pull(const Source& source, qint64 from, qint64 to, qsizetype blockBytes);
    static Result inTwo(const Source& source, qint64 size, const Sink& first, const Sink& second,
                        qint64 split, qsizetype blockBytes);
    // A file read by one reader, or in two halves when `second` is given and the file is long.
    static Result readFile(const Sink& first, const Sink* second, const QString& gamePath);
    // Feeds the next bytes of the file; returns false once the header shows it is not ours.
    bool feed(const char* data, qsizetype size);
    Result finish();
    void line(const char* begin, const char* end);
    void skipLine();

    const Sink& m_sink;
    Result m_result;
    HistoryRecord m_record;
    QByteArray m_partial;    // the start of a line the last block cut through
    bool m_overlong = false; // the current line is past MaxLineBytes: skip it to its end
    int m_lineNo = 0;
    int m_fields = 0; // fields of a line under this file's header
};
