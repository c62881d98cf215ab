#pragma once

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

// The host end of a pseudo-terminal, opened the plain POSIX way.
class PtyHost
{
public:
    explicit PtyHost(const QString &path)
        : m_fd(::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
    {
    }
    ~PtyHost()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    PtyHost(const PtyHost &) = delete;
    PtyHost &operator=(const PtyHost &) = delete;

    [[nodiscard]] bool isOpen() const { return m_fd >= 0; }

    [[nodiscard]] bool write(const QByteArray &bytes)
    {
        return ::write(m_fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    }

    // Everything readable now; notes a hang-up (the device went away).
    QByteArray readAvailable()
    {
        QByteArray out;
        char buffer[1024];
        for (;;) {
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n > 0) {
                out.append(buffer, static_cast<int>(n));
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
                m_hungUp = true;
            return out;
        }
    }

    [[nodiscard]] bool hungUp()
    {
        readAvailable();
        return m_hungUp;
    }

private:
    int m_fd = -1;
    bool m_hungUp = false;
};
