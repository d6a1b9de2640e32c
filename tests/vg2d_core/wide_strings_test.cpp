#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/rtl/Lists.h"
#include "platform/rtl/Streams.h"
#include "vg2d/core/WideStrings.h"

namespace wide_strings_test {

using namespace vg;

namespace {

std::vector<std::u16string> Items(const TvxWideStrings& list) {
  std::vector<std::u16string> items;
  for (int i = 0; i < list.Count(); ++i) items.push_back(list.Get(i));
  return items;
}

std::string StreamBytes(rtl::TMemoryStream& stream) {
  std::string bytes(static_cast<size_t>(stream.Size()), '\0');
  stream.SetPosition(0);
  if (!bytes.empty()) stream.ReadBuffer(bytes.data(), static_cast<int>(bytes.size()));
  return bytes;
}

void LoadBytes(TvxWideStrings& list, const std::string& bytes) {
  rtl::TMemoryStream stream;
  if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<int>(bytes.size()));
  stream.SetPosition(0);
  list.LoadFromStream(&stream);
}

rtl::TObject* Obj(intptr_t v) { return reinterpret_cast<rtl::TObject*>(v); }

}  // namespace

TEST(WideStringListText, LineBreaksSplitAsOneOrTwoBreaks) {
  TvxWideStringList list;
  list.SetTextStr(u"a\r\n\r\nb");
  EXPECT_EQ(Items(list), (std::vector<std::u16string>{u"a", u"", u"b"}));
  list.SetTextStr(u"a\n\rb");
  EXPECT_EQ(Items(list), (std::vector<std::u16string>{u"a", u"", u"b"}));
  list.SetTextStr(u"a\r\n");
  EXPECT_EQ(Items(list), (std::vector<std::u16string>{u"a"}));
  list.SetTextStr(u"x\u2028y\u2029z\vw\fv");
  EXPECT_EQ(list.Count(), 5);
  list.SetTextStr(u"");
  EXPECT_EQ(list.Count(), 0);
}

TEST(WideStringListStream, SavesBomAndUtf16LeExactly) {
  TvxWideStringList list;
  list.Add(u"x");
  list.Add(u"y");
  EXPECT_EQ(list.GetTextStr(), u"x\r\ny\r\n");
  rtl::TMemoryStream stream;
  list.SaveToStream(&stream);
  EXPECT_EQ(StreamBytes(stream), std::string("\xFF\xFE" "x\0\r\0\n\0y\0\r\0\n\0", 14));
}

TEST(WideStringListStream, LoadsLittleAndBigEndianAndCodePageText) {
  TvxWideStringList list;
  LoadBytes(list, std::string("\xFF\xFE" "a\0b\0", 6));
  EXPECT_EQ(Items(list), std::vector<std::u16string>{u"ab"});
  LoadBytes(list, std::string("\xFE\xFF\0a\0b\0", 7));  // odd last byte ignored
  EXPECT_EQ(Items(list), std::vector<std::u16string>{u"ab"});
  LoadBytes(list, "ab\r\n\xE9t\xE9");  // code page 1252
  EXPECT_EQ(Items(list), (std::vector<std::u16string>{u"ab", u"\u00E9t\u00E9"}));
  LoadBytes(list, "\xFF");  // too short for a byte-order mark
  EXPECT_EQ(Items(list), std::vector<std::u16string>{u"\u00FF"});
  // Round trip of characters outside 8 bits.
  list.SetTextStr(u"\u0416\u20AC\r\n\u4E2D");
  rtl::TMemoryStream stream;
  list.SaveToStream(&stream);
  TvxWideStringList copy;
  stream.SetPosition(0);
  copy.LoadFromStream(&stream);
  EXPECT_TRUE(copy.Equals(&list));
}

TEST(WideStringListFiles, SaveLoadAnsiAndMissingFile) {
  const std::string path = ::testing::TempDir() + "vg_widestrings-" + std::to_string(::getpid()) + ".txt";
  TvxWideStringList list;
  list.SetTextStr(u"x\r\ny");
  list.SaveToFileAnsi(path);
  std::ifstream in(path, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "x\r\ny\r\n");
  in.close();
  list.SaveToFile(path);
  TvxWideStringList loaded;
  loaded.LoadFromFile(path);
  EXPECT_TRUE(loaded.Equals(&list));
  std::remove(path.c_str());
  loaded.LoadFromFile(path);  // missing: no error, list kept
  EXPECT_EQ(loaded.Count(), 2);
}

TEST(WideStringListSorted, DuplicatesPolicyAndOrder) {
  TvxWideStringList list;
  list.SetSorted(true);
  list.Add(u"apple");
  EXPECT_EQ(list.Add(u"Apple"), 0);  // dupIgnore, case ignored
  EXPECT_EQ(list.Count(), 1);
  list.SetDuplicates(rtl::dupError);
  list.Add(u"Apple");
  EXPECT_EQ(list.Count(), 2);
  list.Add(u"cherry");
  list.Add(u"Banana");
  list.Add(u"\u0431");  // Cyrillic letters sort after Latin ones
  list.Add(u"\u0410");
  EXPECT_EQ(list.Get(2), u"Banana");
  EXPECT_EQ(list.Get(3), u"cherry");
  EXPECT_EQ(list.Get(4), u"\u0410");
  int index = -1;
  EXPECT_TRUE(list.Find(u"BANANA", index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(list.Find(u"blueberry", index));
  EXPECT_EQ(index, 3);
  list.SetCaseSensitive(true);
  EXPECT_NE(list.IndexOf(u"BANANA"), 2);
}

TEST(WideStringListSort, ByTextIgnoringCaseAndByObjectDescending) {
  TvxWideStringList list;
  for (const char16_t* s : {u"pear", u"Apple", u"fig", u"banana", u"apple2", u"Fig"}) list.Add(s);
  list.Sort();
  ASSERT_EQ(list.Count(), 6);
  for (int i = 1; i < list.Count(); ++i) EXPECT_LE(CompareWideText(list.Get(i - 1), list.Get(i)), 0) << i;
  TvxWideStringList objects;
  objects.AddObject(u"three", Obj(3));
  objects.AddObject(u"ten", Obj(10));
  objects.AddObject(u"minus", Obj(-1));
  objects.SetSortByObject(true);
  objects.Sort();
  EXPECT_EQ(Items(objects), (std::vector<std::u16string>{u"ten", u"three", u"minus"}));
  int index = -1;
  EXPECT_TRUE(objects.FindObject(Obj(3), index));
  EXPECT_EQ(index, 1);
  // Values so far apart that the wrapping comparison is not an order: still no overrun.
  TvxWideStringList wild;
  wild.SetSortByObject(true);
  const intptr_t big = INTPTR_MAX / 3 * 2;
  for (intptr_t v : {big, -big, intptr_t{0}, big / 2, -big / 2, big, intptr_t{7}, -big}) wild.AddObject(u"v", Obj(v));
  wild.Sort();
  EXPECT_EQ(wild.Count(), 8);
}

TEST(WideStringListNames, NamesValuesAndIndexesOutsideTheListThatChangeNothing) {
  TvxWideStringList list;
  list.SetTextStr(u"plain\r\nk=v=w\r\nName=x");
  EXPECT_EQ(list.GetValue(u"k"), u"v=w");
  EXPECT_EQ(list.GetValue(u"NAME"), u"x");
  EXPECT_EQ(list.GetName(0), u"");
  EXPECT_EQ(list.GetName(1), u"k");
  EXPECT_EQ(list.IndexOfName(u"plain"), -1);
  EXPECT_EQ(list.IndexOfValue(u"X"), 2);
  // Unlike the 8-bit lists, an index outside the list raises nothing: it reads as an empty
  // text and a nil object and changes nothing, not even the good index of a pair.
  list.PutObject(0, Obj(42));
  EXPECT_EQ(list.Get(7), u"");
  EXPECT_EQ(list.Get(-1), u"");
  EXPECT_EQ(list.GetObject(-1), nullptr);
  EXPECT_EQ(list.GetObject(3), nullptr);
  EXPECT_EQ(list.GetName(3), u"");
  EXPECT_NO_THROW(list.Delete(3));
  EXPECT_NO_THROW(list.Delete(-1));
  EXPECT_NO_THROW(list.Put(5, u"z"));
  EXPECT_NO_THROW(list.PutObject(3, nullptr));
  EXPECT_NO_THROW(list.Exchange(0, 9));
  EXPECT_NO_THROW(list.Exchange(-2, 1));
  EXPECT_NO_THROW(list.Insert(4, u"z"));
  EXPECT_NO_THROW(list.Insert(-1, u"z"));
  EXPECT_NO_THROW(list.Move(7, 0));  // no empty item made up
  EXPECT_NO_THROW(list.Move(0, 3));  // no item lost
  EXPECT_EQ(Items(list), (std::vector<std::u16string>{u"plain", u"k=v=w", u"Name=x"}));
  EXPECT_EQ(list.GetObject(0), Obj(42));
  // The abstract list's own Put and Exchange follow the same rule.
  TvxWideStrings& face = list;
  face.TvxWideStrings::Put(3, u"z");
  face.TvxWideStrings::Exchange(2, 3);
  EXPECT_EQ(Items(list), (std::vector<std::u16string>{u"plain", u"k=v=w", u"Name=x"}));
  // Insert takes the end of the list.
  list.Insert(3, u"end");
  EXPECT_EQ(list.Get(3), u"end");
  list.Delete(3);
  list.Move(0, 2);
  EXPECT_EQ(Items(list), (std::vector<std::u16string>{u"k=v=w", u"Name=x", u"plain"}));
}

TEST(WideStringListEvents, OnePairPerChangeAndPerUpdateBlock) {
  TvxWideStringList list;
  int changing = 0, changed = 0;
  list.OnChanging = [&](rtl::TObject* sender) {
    EXPECT_EQ(sender, &list);
    ++changing;
  };
  list.OnChange = [&](rtl::TObject*) { ++changed; };
  list.Add(u"a");
  EXPECT_EQ(changing, 1);
  EXPECT_EQ(changed, 1);
  list.BeginUpdate();
  list.Add(u"b");
  list.Add(u"c");
  list.BeginUpdate();
  list.Delete(0);
  list.EndUpdate();
  list.Add(u"d");
  EXPECT_EQ(changed, 1);
  list.EndUpdate();
  EXPECT_EQ(changing, 2);
  EXPECT_EQ(changed, 2);
  list.SetTextStr(u"1\r\n2\r\n3");
  EXPECT_EQ(changed, 3);
  list.Delete(10);  // no event
  list.Put(-1, u"x");
  list.Clear();
  list.Clear();  // already empty: no event
  EXPECT_EQ(changed, 4);
}

TEST(WideStringListCapacity, GrowsByTheListRuleAndNeverBelowCount) {
  TvxWideStringList list;
  std::vector<int> capacities;
  for (int i = 0; i < 100; ++i) {
    list.Add(u"x");
    if (capacities.empty() || capacities.back() != list.GetCapacity()) capacities.push_back(list.GetCapacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
  list.SetCapacity(10);
  EXPECT_EQ(list.GetCapacity(), 118);
  EXPECT_EQ(list.Count(), 100);
}

TEST(WideStringListAssign, ToAndFromEightBitLists) {
  rtl::TStringList ansi;
  ansi.AddObject("caf\xE9", Obj(5));
  ansi.Add("tea");
  TvxWideStringList wide;
  wide.Add(u"old");
  wide.Assign(&ansi);
  EXPECT_EQ(Items(wide), (std::vector<std::u16string>{u"caf\u00E9", u"tea"}));
  EXPECT_EQ(wide.GetObject(0), Obj(5));
  wide.Add(u"\u00FCber");
  rtl::TStringList back;
  back.Assign(&wide);
  ASSERT_EQ(back.Count(), 3);
  EXPECT_EQ(back.Strings(2), "\xFC" "ber");
  EXPECT_EQ(back.Objects(0), Obj(5));
  TvxWideStringList copy;
  copy.Assign(&wide);
  EXPECT_TRUE(copy.Equals(&wide));
}

}  // namespace wide_strings_test
