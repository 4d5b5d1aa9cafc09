#pragma once
// The one owner of a file descriptor: it closes it once, when it is
// destroyed, reset or closed, and never after it has let it go. Move-only,
// so a descriptor passed between functions or kept in an object has one
// owner at a time; a copy, which would close it twice (the second time
// under whatever another thread has opened with that number since), does
// not compile.
//
// Inline, and with no library behind it: the program's modules, which link
// no library of ours, hold their descriptors in it too.
//
//   UniqueFd fd(::open(path, O_RDONLY | O_CLOEXEC));
//   if (!fd.isValid()) return false;        // -1 is held as nothing
//   UniqueFd other = std::move(fd);         // fd holds nothing now
//   ::close(other.release());               // the caller's to close now
//
// Not here: what a descriptor is open on, reading and writing.

#include <unistd.h>

#include <utility>

namespace sorvant {

class UniqueFd
{
public:
    UniqueFd() = default;
    // Takes `fd` over; a negative number is held as nothing.
    explicit UniqueFd(int fd) : m_fd(fd < 0 ? -1 : fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : m_fd(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    // --- observers ---
    // The descriptor, still owned here; -1 when none is held.
    [[nodiscard]] int get() const { return m_fd; }
    // Whether a descriptor is held.
    [[nodiscard]] bool isValid() const { return m_fd >= 0; }

    // --- mutators ---
    // Gives the descriptor up without closing it: the caller's to close.
    //   holding 4 => 4, and nothing held      holding nothing => -1
    [[nodiscard]] int release() { return std::exchange(m_fd, -1); }
    // Closes what is held (its errors go unsaid) and takes `fd` over.
    void reset(int fd = -1)
    {
        const int old = std::exchange(m_fd, fd < 0 ? -1 : fd);
        if (old >= 0 && old != m_fd)
            ::close(old);
    }
    // Closes what is held now and answers whether close() succeeded: a
    // written file may report a delayed write error only here. True when
    // nothing was held. errno is kept from close() on false.
    bool close()
    {
        const int old = std::exchange(m_fd, -1);
        return old < 0 || ::close(old) == 0;
    }

private:
    int m_fd = -1;
};

} // namespace sorvant
