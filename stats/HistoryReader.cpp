#include "stats/HistoryReader.h"

#include "core/TextFile.h"
#include "stats/HistoryFile.h"

#include <QFile>

#include <algorithm>
#include <cstring>

void HistoryReader::skipLine() {
    ++m_lineNo;
    if (m_lineNo == 1) {
        m_result.error = QStringLiteral("1 行目が成績の記録の見出しではありません");
        return;
    }
    ++m_result.skipped;
    if (m_result.skippedLines.size() < static_cast<size_t>(ReportedLines))
        m_result.skippedLines.push_back(m_lineNo);
}

void HistoryReader::line(const char* begin, const char* end) {
    if (end > begin && end[-1] == '\r')
        --end;
    ++m_lineNo;
    if (m_lineNo == 1) {
        // Today's header or the older, shorter one: the lines under it hold that many fields.
        m_fields = HistoryFile::fieldsUnder(begin, end);
        if (m_fields == 0)
            m_result.error = QStringLiteral("1 行目が成績の記録の見出しではありません");
        return;
    }
    if (end == begin)
        return; // blank lines carry nothing and are passed over
    if (end - begin <= HistoryFile::MaxLineBytes &&
        HistoryFile::parseLine(begin, end, m_record, m_fields)) {
        ++m_result.rounds;
        m_sink(m_record);
        return;
    }
    --m_lineNo;
    skipLine();
}

bool HistoryReader::feed(const char* p, qsizetype size) {
    const char* const end = p + size;
    while (p < end && m_result.error.isEmpty()) {
        const char* nl =
            static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!nl) {
            // Keep the unfinished line for the next block, but never more of it than a line
            // may hold: a longer one is skipped whole, however long it runs.
            if (!m_overlong) {
                m_partial.append(p, end - p);
                if (m_partial.size() > HistoryFile::MaxLineBytes + 1) {
                    m_overlong = true;
                    m_partial.clear();
                }
            }
            return true;
        }
        if (m_overlong) {
            m_overlong = false;
            skipLine();
        } else if (m_partial.isEmpty()) {
            line(p, nl);
        } else {
            m_partial.append(p, nl - p);
            line(m_partial.constData(), m_partial.constData() + m_partial.size());
            m_partial.clear();
        }
        p = nl + 1;
    }
    return m_result.error.isEmpty();
}

HistoryReader::Result HistoryReader::finish() {
    if (!m_result.error.isEmpty() || (m_partial.isEmpty() && !m_overlong))
        return std::move(m_result);
    if (m_lineNo == 0) {
        m_result.tornTail = true; // the header itself was torn on the first write
        return std::move(m_result);
    }
    // A last line without its line end: an editor that does not add one leaves a whole round
    // like this, a crash mid-append a torn one.
    if (m_partial.endsWith('\r'))
        m_partial.chop(1);
    ++m_lineNo;
    if (!m_overlong && !m_partial.isEmpty() && m_partial.size() <= HistoryFile::MaxLineBytes &&
        HistoryFile::parseLine(m_partial.constData(), m_partial.constData() + m_partial.size(),
                               m_record, m_fields)) {
        ++m_result.rounds;
        m_sink(m_record);
        return std::move(m_result);
    }
    m_result.tornTail = true;
    if (m_overlong || !m_partial.isEmpty()) {
        ++m_result.skipped;
        if (m_result.skippedLines.size() < static_cast<size_t>(ReportedLines))
            m_result.skippedLines.push_back(m_lineNo);
    }
    return std::move(m_result);
}

HistoryReader::Result HistoryReader::readBytes(const QByteArray& bytes, const Sink& sink,
                                               qsizetype blockBytes) {
    HistoryReader reader(sink);
    for (qsizetype at = 0; at < bytes.size(); at += blockBytes)
        if (!reader.feed(bytes.constData() + at, std::min(blockBytes, bytes.size() - at)))
            break;
    return reader.finish();
}

HistoryReader::Result HistoryReader::read(const Sink& sink, const QString& gamePath) {
    QFile file(TextFile::hostPath(gamePath));
    if (!file.exists())
        return {};
    Result failed;
    if (!file.open(QIODevice::ReadOnly)) {
        failed.error = file.errorString();
        return failed;
    }
    if (file.size() > HistoryFile::MaxBytes) {
        failed.error =
            QStringLiteral("%1 MiB を超えています").arg(HistoryFile::MaxBytes / (1024 * 1024));
        return failed;
    }
    HistoryReader reader(sink);
    QByteArray block(BlockBytes, Qt::Uninitialized);
    while (true) {
        const qint64 n = file.read(block.data(), block.size());
        if (n < 0) {
            failed.error = file.errorString();
            return failed;
        }
        if (n == 0 || !reader.feed(block.constData(), n))
            break;
    }
    return reader.finish();
}
