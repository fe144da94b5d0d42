#include "store.h"

#include <gtest/gtest.h>

#include "demo.h"
#include "temp_dir.h"

namespace ozl::server {
namespace {

Profile Named(std::string nick) {
  Profile profile;
  profile.nick = std::move(nick);
  profile.city = "Kazan";
  return profile;
}

TEST(Store, EverythingSurvivesReopening) {
  test_support::TempDir dir;
  const std::string path = dir.File("ozl.db");
  UserId kot = 0;
  UserId yozh = 0;
  std::int64_t kept = 0;
  {
    Store store(path);
    kot = *store.AddUser(Named("Kot"), "hash-kot");
    yozh = *store.AddUser(Named("Yozh"), "hash-yozh");
    store.AddContact(kot, yozh);
    store.SetClosedForFriendship(yozh, true);
    const std::int64_t delivered = store.AddMessage(yozh, kot, "Kot", "delivered");
    kept = store.AddMessage(yozh, kot, "Kot", std::string("\0\xFF kept", 8));
    const std::int64_t ids[] = {delivered};
    store.DeleteMessages(ids);
  }
  Store store(path);
  const std::optional<UserRecord> user = store.FindUser(yozh);
  ASSERT_TRUE(user);
  EXPECT_EQ(user->profile.nick, "Yozh");
  EXPECT_EQ(user->password_hash, "hash-yozh");
  EXPECT_TRUE(user->closed_for_friendship);
  EXPECT_EQ(store.Contacts(kot), std::vector<UserName>({{yozh, "Yozh"}}));
  EXPECT_EQ(store.ContactOwners(yozh), std::vector<UserId>({kot}));
  const std::vector<StoredMessage> pending = store.PendingMessages(yozh);
  ASSERT_EQ(pending.size(), 1u);
  EXPECT_EQ(pending[0].id, kept);
  EXPECT_EQ(pending[0].text, std::string("\0\xFF kept", 8));
  EXPECT_EQ(*store.AddUser(Named("Zayka"), "h"), yozh + 1) << "identifiers are never handed out twice";
}

TEST(Store, CommandMarksOfTheLastFewInstancesAreKeptPerUser) {
  test_support::TempDir dir;
  Store store(dir.File("ozl.db"));
  for (std::uint64_t instance = 1; instance <= 5; ++instance) store.KeepMark(7, {instance, 10});
  store.KeepMark(7, {5, 11});
  const struct {
    UserId user;
    CommandMark mark;
    bool carried_out;
  } cases[] = {
      {7, {1, 10}, false},  // the oldest instance is forgotten
      {7, {2, 10}, true},  {7, {2, 9}, true},  {7, {2, 11}, false},
      {7, {5, 11}, true},  {8, {5, 11}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(store.CarriedOut(c.user, c.mark), c.carried_out) << c.user << " " << c.mark.instance << "." << c.mark.number;
  }
}

TEST(Store, SearchPrefixesEndCleanlyAtTheTopOfTheCodePage) {
  test_support::TempDir dir;
  Store store(dir.File("ozl.db"));
  const UserId ya = *store.AddUser(Named("\xFF\xFF"), "h");       // "яя"
  const UserId yab = *store.AddUser(Named("\xFF\xFF" "b"), "h");
  store.AddUser(Named("\xFE"), "h");
  SearchCriteria criteria;
  criteria.nick = "\xDF";  // "Я"
  EXPECT_EQ(store.Search(criteria, 20), std::vector<UserName>({{ya, "\xFF\xFF"}, {yab, "\xFF\xFF" "b"}}));
  EXPECT_EQ(PrefixUpperBound("a\xFF"), "b");
  EXPECT_EQ(PrefixUpperBound("\xFF"), std::nullopt);
}

TEST(Store, TheDemoIsMadeOnceAndFoundAgain) {
  test_support::TempDir dir;
  Store store(dir.File("ozl.db"));
  const Demo first = EnsureDemo(store, PasswordCost::kMinimal);
  ASSERT_EQ(first.accounts.size(), 2u);
  const Demo again = EnsureDemo(store, PasswordCost::kMinimal);
  EXPECT_EQ(again.accounts[1].id, first.accounts[1].id);
  EXPECT_EQ(again.companion.id, first.companion.id);
  const std::optional<UserRecord> kot = store.FindUser(first.accounts[0].id);
  ASSERT_TRUE(kot);
  EXPECT_TRUE(VerifyPassword(kot->password_hash, first.accounts[0].password));
  EXPECT_FALSE(VerifyPassword(store.FindUser(first.companion.id)->password_hash, ""))
      << "nobody logs in as the companion";
  EXPECT_EQ(store.Contacts(first.accounts[0].id).size(), 2u);
}

}  // namespace
}  // namespace ozl::server
