#include "platform/unique_fd.h"

#include <gtest/gtest.h>

#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace sorvant {
namespace {

// Whether `fd` is an open descriptor of this process.
bool isOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

int openNull()
{
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

TEST(UniqueFd, ClosesWhatItHoldsOnceWhenDestroyedResetOrClosed)
{
    int fd = -1;
    {
        const UniqueFd held(openNull());
        fd = held.get();
        ASSERT_TRUE(held.isValid());
        EXPECT_TRUE(isOpen(fd));
    }
    EXPECT_FALSE(isOpen(fd)) << "destroyed";

    UniqueFd reset(openNull());
    fd = reset.get();
    const int next = openNull();
    reset.reset(next);
    EXPECT_FALSE(isOpen(fd)) << "replaced";
    EXPECT_EQ(reset.get(), next);
    reset.reset(next);
    EXPECT_TRUE(isOpen(next)) << "reset to what it holds keeps it";
    reset.reset();
    EXPECT_FALSE(isOpen(next));
    EXPECT_FALSE(reset.isValid());

    UniqueFd closed(openNull());
    fd = closed.get();
    EXPECT_TRUE(closed.close());
    EXPECT_FALSE(isOpen(fd));
    EXPECT_EQ(closed.get(), -1);
    // The number taken again by another open is not closed a second time.
    const UniqueFd other(openNull());
    EXPECT_TRUE(closed.close()) << "nothing held";
    EXPECT_TRUE(isOpen(other.get()));
}

TEST(UniqueFd, MovesAndReleasesWithoutClosing)
{
    UniqueFd first(openNull());
    const int fd = first.get();
    UniqueFd second(std::move(first));
    EXPECT_EQ(first.get(), -1);   // NOLINT(bugprone-use-after-move): moved from holds nothing
    EXPECT_EQ(second.get(), fd);
    EXPECT_TRUE(isOpen(fd));

    UniqueFd third(openNull());
    const int replaced = third.get();
    third = std::move(second);
    EXPECT_FALSE(isOpen(replaced)) << "what the target held is closed";
    EXPECT_EQ(third.get(), fd);
    EXPECT_TRUE(isOpen(fd));
    auto& self = third;
    third = std::move(self);
    EXPECT_TRUE(isOpen(fd)) << "moved onto itself";

    const int released = third.release();
    EXPECT_EQ(released, fd);
    EXPECT_FALSE(third.isValid());
    EXPECT_TRUE(isOpen(fd));
    EXPECT_EQ(third.release(), -1);
    ::close(released);
}

TEST(UniqueFd, HoldsANegativeNumberAsNothing)
{
    for (const int number : {-1, -5}) {
        SCOPED_TRACE(number);
        UniqueFd none(number);
        EXPECT_FALSE(none.isValid());
        EXPECT_EQ(none.get(), -1);
        EXPECT_TRUE(none.close());
        EXPECT_EQ(none.release(), -1);
    }
}

} // namespace
} // namespace sorvant
