#include "platform/instance_lock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/temporary_directory.h"

namespace tamsel {
namespace {

namespace fs = std::filesystem;

class InstanceLockTest : public testing::Test {
 protected:
  std::string Path(const std::string& name) const { return directory_.Path(name); }

  TemporaryDirectory directory_;
};

TEST_F(InstanceLockTest, SecondTakerIsRefusedUntilTheFirstLetsGo) {
  const std::string name = Path(".tamselwin.lock");
  InstanceLockAttempt first = TryLockInstance(name);
  ASSERT_TRUE(first.lock) << first.error;
  const InstanceLockAttempt second = TryLockInstance(name);
  EXPECT_FALSE(second.lock);
  EXPECT_TRUE(second.heldElsewhere);
  first.lock.reset();
  const InstanceLockAttempt third = TryLockInstance(name);
  EXPECT_TRUE(third.lock);
}

// The lock file is only ever held: what is in it stays, and it is never
// reached through a link.
TEST_F(InstanceLockTest, LockFileIsNeverEmptiedNorFollowed) {
  std::ofstream(Path("held")) << "kept";
  EXPECT_TRUE(TryLockInstance(Path("held")).lock);
  std::ifstream in(Path("held"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), "kept");

  std::ofstream(Path("target")) << "target";
  fs::create_symlink(Path("target"), Path("link"));
  const InstanceLockAttempt link = TryLockInstance(Path("link"));
  EXPECT_FALSE(link.lock);
  EXPECT_FALSE(link.heldElsewhere);
  EXPECT_NE(link.error, 0);

  const InstanceLockAttempt missing = TryLockInstance(Path("no/such/dir/lock"));
  EXPECT_FALSE(missing.lock);
  EXPECT_FALSE(missing.heldElsewhere);
}

}  // namespace
}  // namespace tamsel
