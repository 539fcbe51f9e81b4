// What the checks read from the system as it lays it out: the entries of a DACL, reparse tags,
// file identities.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/dacl_entries.h"
#include "platform/fake/fake_constants.h"
#include "platform/platform.h"

namespace {

using Bytes = std::vector<unsigned char>;

void PutWord(Bytes& bytes, std::size_t at, uint16_t value) {
    bytes[at] = static_cast<unsigned char>(value & 0xFF);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

void Append32(Bytes& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
    }
}

// S-1-5-<rids...>, as Windows lays a SID out.
Bytes Sid(std::vector<uint32_t> rids) {
    Bytes sid = {1, static_cast<unsigned char>(rids.size()), 0, 0, 0, 0, 0, 5};
    for (uint32_t rid : rids) {
        Append32(sid, rid);
    }
    return sid;
}

// One entry: its header, its mask, what comes between (flags, GUIDs), its SIDs and what follows
// them (a condition).
Bytes Ace(uint8_t type, uint8_t flags, uint32_t mask, const Bytes& between,
          const std::vector<Bytes>& sids, const Bytes& after = {}) {
    Bytes ace = {type, flags, 0, 0};
    Append32(ace, mask);
    ace.insert(ace.end(), between.begin(), between.end());
    for (const Bytes& sid : sids) {
        ace.insert(ace.end(), sid.begin(), sid.end());
    }
    ace.insert(ace.end(), after.begin(), after.end());
    PutWord(ace, 2, static_cast<uint16_t>(ace.size()));
    return ace;
}

Bytes Acl(const std::vector<Bytes>& aces) {
    Bytes acl = {2, 0, 0, 0, 0, 0, 0, 0};
    for (const Bytes& ace : aces) {
        acl.insert(acl.end(), ace.begin(), ace.end());
    }
    PutWord(acl, 2, static_cast<uint16_t>(acl.size()));
    PutWord(acl, 4, static_cast<uint16_t>(aces.size()));
    return acl;
}

bool Read(const Bytes& acl, std::vector<platform::AllowingEntry>& entries) {
    return platform::ReadAllowingEntries(acl.data(), acl.size(), entries);
}

Bytes Guid(unsigned char fill) {
    return Bytes(16, fill);
}

TEST(DaclEntriesTest, EveryKindOfEntryThatAllowsCountsWithEachSidItNames) {
    const Bytes users = Sid({32, 545});
    const Bytes everyone = {1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    const Bytes objectBoth = {3, 0, 0, 0};
    Bytes bothGuids = objectBoth;
    bothGuids.insert(bothGuids.end(), 32, 0xAB);
    Bytes oneGuid = {2, 0, 0, 0};
    const Bytes guid = Guid(0xCD);
    oneGuid.insert(oneGuid.end(), guid.begin(), guid.end());
    const Bytes acl = Acl({
        Ace(0x0, 0x3, 0x1F01FF, {}, {Sid({18})}),
        Ace(0x1, 0x0, 0x10000, {}, {everyone}),  // denies: grants nothing
        Ace(0x4, 0x0, 0x40, {1, 0, 0, 0}, {Sid({18}), everyone}),
        Ace(0x5, 0x2, 0x10000, bothGuids, {everyone}),
        Ace(0x9, 0x0, 0x40000, {}, {users}, {'a', 'r', 't', 'x'}),
        Ace(0xB, 0x8, 0x80000, oneGuid, {users}, {1, 2, 3, 4}),
        Ace(0x5, 0x0, 0x2, {0, 0, 0, 0}, {everyone}),
        Ace(0x11, 0x0, 0x1, {}, {Sid({16, 8192})}),  // a mandatory label
    });
    std::vector<platform::AllowingEntry> entries;
    ASSERT_TRUE(Read(acl, entries));
    ASSERT_EQ(entries.size(), 6u);
    const uint32_t masks[] = {0x1F01FF, 0x40, 0x10000, 0x40000, 0x80000, 0x2};
    const uint8_t flags[] = {0x3, 0x0, 0x2, 0x0, 0x8, 0x0};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(entries[i].accessMask, masks[i]) << i;
        EXPECT_EQ(entries[i].aceFlags, flags[i]) << i;
    }
    // A compound entry names its server and its client; each other entry its one SID, past
    // whatever GUIDs it carries.
    ASSERT_EQ(entries[1].sids.size(), 2u);
    EXPECT_EQ(Bytes(entries[1].sids[1], entries[1].sids[1] + everyone.size()), everyone);
    for (std::size_t i : {2u, 5u}) {
        ASSERT_EQ(entries[i].sids.size(), 1u);
        EXPECT_EQ(Bytes(entries[i].sids[0], entries[i].sids[0] + everyone.size()), everyone) << i;
    }
    for (std::size_t i : {3u, 4u}) {
        ASSERT_EQ(entries[i].sids.size(), 1u);
        EXPECT_EQ(Bytes(entries[i].sids[0], entries[i].sids[0] + users.size()), users) << i;
    }
}

TEST(DaclEntriesTest, AnEntryOrSidThatDoesNotFitFailsTheRead) {
    std::vector<platform::AllowingEntry> entries;
    const Bytes sid = Sid({32, 545});
    // The SID ends exactly where the entry does; one byte less and it does not fit.
    Bytes acl = Acl({Ace(0x0, 0, 0x10000, {}, {sid})});
    EXPECT_TRUE(Read(acl, entries));
    Bytes shortAce = acl;
    PutWord(shortAce, 8 + 2, static_cast<uint16_t>(8 + sid.size() - 1));
    EXPECT_FALSE(Read(shortAce, entries));
    // An entry that claims more than the ACL holds, or an ACL more than the bytes given.
    Bytes longAce = acl;
    PutWord(longAce, 8 + 2, static_cast<uint16_t>(8 + sid.size() + 1));
    EXPECT_FALSE(Read(longAce, entries));
    EXPECT_FALSE(platform::ReadAllowingEntries(acl.data(), acl.size() - 1, entries));
    // More entries counted than there are; an entry smaller than its header.
    Bytes moreCounted = acl;
    PutWord(moreCounted, 4, 2);
    EXPECT_FALSE(Read(moreCounted, entries));
    Bytes tiny = Acl({Bytes{0, 0, 3, 0}});
    EXPECT_FALSE(Read(tiny, entries));
    // An entry that grants nothing may be its header alone; one that allows may not.
    EXPECT_TRUE(Read(Acl({Bytes{1, 0, 4, 0}}), entries));
    EXPECT_FALSE(Read(Acl({Bytes{0, 0, 4, 0}}), entries));
    // An object entry whose GUID flags say more than it holds.
    const Bytes everyone = {1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    EXPECT_TRUE(
        Read(Acl({Ace(0x5, 0, 1, {1, 0, 0, 0, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9},
                      {everyone})}),
             entries));
    EXPECT_FALSE(Read(Acl({Ace(0x5, 0, 1, {3, 0, 0, 0}, {everyone})}), entries));
    // An object entry without room for its flags.
    EXPECT_FALSE(Read(Acl({Ace(0x5, 0, 1, {}, {})}), entries));
    // A compound entry without its client.
    EXPECT_FALSE(Read(Acl({Ace(0x4, 0, 1, {1, 0, 0, 0}, {everyone})}), entries));
    // A SID of the most sub-authorities there are, and one more.
    EXPECT_TRUE(Read(Acl({Ace(0x0, 0, 1, {}, {Sid(std::vector<uint32_t>(15, 7))})}), entries));
    EXPECT_FALSE(Read(Acl({Ace(0x0, 0, 1, {}, {Sid(std::vector<uint32_t>(16, 7))})}), entries));
    Bytes badRevision = Sid({18});
    badRevision[0] = 2;
    EXPECT_FALSE(Read(Acl({Ace(0x0, 0, 1, {}, {badRevision})}), entries));
    // The last type known to grant nothing, and the first type no one knows.
    EXPECT_TRUE(Read(Acl({Ace(0x15, 0, 1, {}, {everyone})}), entries));
    EXPECT_FALSE(Read(Acl({Ace(0x16, 0, 1, {}, {everyone})}), entries));
    // An empty DACL allows nothing; a failed read leaves the entries as they were.
    entries.assign(1, platform::AllowingEntry{});
    EXPECT_FALSE(platform::ReadAllowingEntries(nullptr, 0, entries));
    EXPECT_EQ(entries.size(), 1u);
    EXPECT_TRUE(Read(Acl({}), entries));
    EXPECT_TRUE(entries.empty());
}

TEST(FileChecksTest, ALinkIsANameSurrogateOrAReparsePointWithoutATag) {
    const uint32_t reparse = 0x400;
    EXPECT_TRUE(platform::IsLink(reparse | 0x10, win::kReparseTagMountPoint));
    EXPECT_TRUE(platform::IsLink(reparse, win::kReparseTagSymlink));
    EXPECT_TRUE(platform::IsLink(reparse, 0));
    EXPECT_FALSE(platform::IsLink(reparse, win::kReparseTagCloud));
    EXPECT_FALSE(platform::IsLink(reparse, win::kReparseTagWof));
    EXPECT_FALSE(platform::IsLink(0x10, win::kReparseTagMountPoint));  // no reparse point at all
}

TEST(FileChecksTest, AnIdentityIsKnownByEitherHalfOfItsId) {
    EXPECT_FALSE((platform::FileIdentity{7, 0, 0}).Known());
    EXPECT_TRUE((platform::FileIdentity{0, 1, 0}).Known());
    EXPECT_TRUE((platform::FileIdentity{0, 0, 1}).Known());
}

}  // namespace
