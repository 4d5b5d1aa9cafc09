#pragma once
// A device that reads another until a stop flag is set and then refuses
// every read, so that a decoder it feeds gives up at its next read: a
// 20,000 x 20,000 JPEG decoded for a preview then ends in about a tenth of a
// second (the decoder fills the rows it did not get from nothing) instead
// of decoding on for more than one. Not here: what the decoder makes of a
// refused read; the caller asks stopped() and drops the picture.
// Inline: the program's modules, which link no library of ours, use it too.

#include <QIODevice>

#include <atomic>

namespace sorvant {

class StoppableReads : public QIODevice
{
public:
    // Reads `source`, open for reading, from where it stands, until `*stop`
    // is set; a null `stop` never stops. Opened by the constructor.
    StoppableReads(QIODevice& source, const std::atomic<bool>* stop) : m_source(source), m_stop(stop)
    {
        // Unbuffered: each read of the decoder looks at the flag.
        (void)open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    // YES once a read was refused because of the stop.
    [[nodiscard]] bool stopped() const { return m_stopped; }

    [[nodiscard]] bool isSequential() const override { return m_source.isSequential(); }
    [[nodiscard]] qint64 size() const override { return m_source.size(); }
    bool seek(qint64 position) override { return QIODevice::seek(position) && m_source.seek(position); }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (m_stop != nullptr && m_stop->load(std::memory_order_relaxed)) {
            m_stopped = true;
            return -1;
        }
        return m_source.read(data, maxSize);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice& m_source;
    const std::atomic<bool>* m_stop;
    bool m_stopped = false;
};

} // namespace sorvant
