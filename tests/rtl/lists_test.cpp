#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/rtl/Lists.h"
#include "platform/rtl/Streams.h"
#include "tests/rtl/ErrorOf.h"

namespace lists_test {

using namespace rtl;

namespace {

std::vector<std::string> Items(const TStrings& list) {
  std::vector<std::string> r;
  for (int i = 0; i < list.Count(); ++i) r.push_back(list[i]);
  return r;
}

using Lines = std::vector<std::string>;

using rtltest::ErrorOf;

TEST(TList, EditsAndBounds) {
  int a = 1, b = 2, c = 3;
  TList list;
  EXPECT_EQ(0, list.Add(&a));
  EXPECT_EQ(1, list.Add(&c));
  list.Insert(1, &b);
  EXPECT_EQ(1, list.IndexOf(&b));
  list.Exchange(0, 2);
  EXPECT_EQ(&c, list.First());
  EXPECT_EQ(&a, list.Last());
  list.Move(0, 2);  // b a c
  EXPECT_EQ(&b, list.Items(0));
  EXPECT_EQ(&c, list.Items(2));
  EXPECT_EQ(&a, list.Extract(&a));
  EXPECT_EQ(nullptr, list.Extract(&a));
  EXPECT_EQ(-1, list.Remove(&a));
  EXPECT_EQ(1, list.Remove(&c));
  EXPECT_EQ(1, list.Count());
  EXPECT_EQ("List index out of bounds (5)", ErrorOf<EListError>([&] { list.Items(5); }));
  EXPECT_EQ("List index out of bounds (-1)", ErrorOf<EListError>([&] { list.Delete(-1); }));
  EXPECT_EQ("List index out of bounds (3)", ErrorOf<EListError>([&] { list.Insert(3, &a); }));
  EXPECT_EQ("List index out of bounds (1)", ErrorOf<EListError>([&] { list.Move(0, 1); }));
  EXPECT_EQ(1, list.Count());  // a refused move loses nothing
}

TEST(TList, SortsWithCompare) {
  int v[] = {5, 1, 4, 1, 3};
  TList list;
  for (int& x : v) list.Add(&x);
  list.Sort([](void* p, void* q) { return *static_cast<int*>(p) - *static_cast<int*>(q); });
  std::vector<int> sorted;
  for (int i = 0; i < list.Count(); ++i) sorted.push_back(*static_cast<int*>(list.Items(i)));
  EXPECT_EQ((std::vector<int>{1, 1, 3, 4, 5}), sorted);
}

TEST(TStringList, SortedListAndDuplicates) {
  TStringList list;
  list.SetSorted(true);
  list.Add("b");
  list.Add("A");
  list.Add("c");
  EXPECT_EQ((Lines{"A", "b", "c"}), Items(list));
  int index = -1;
  EXPECT_TRUE(list.Find("B", index));
  EXPECT_EQ(1, index);
  EXPECT_FALSE(list.Find("bb", index));
  EXPECT_EQ(2, index);
  EXPECT_EQ(2, list.IndexOf("C"));

  EXPECT_EQ(0, list.Add("a"));  // dupIgnore: the existing index, nothing added
  EXPECT_EQ(3, list.Count());
  list.SetDuplicates(dupError);
  EXPECT_EQ("String list does not allow duplicates", ErrorOf<EStringListError>([&] { list.Add("C"); }));
  list.SetDuplicates(dupAccept);
  list.Add("B");
  EXPECT_EQ(4, list.Count());
  EXPECT_EQ("Operation not allowed on sorted list", ErrorOf<EStringListError>([&] { list.Insert(0, "z"); }));
  EXPECT_EQ("Operation not allowed on sorted list", ErrorOf<EStringListError>([&] { list.SetStrings(0, "z"); }));
  EXPECT_EQ("Operation not allowed on sorted list", ErrorOf<EStringListError>([&] { list.Move(0, 3); }));
  EXPECT_EQ(4, list.Count());
  EXPECT_EQ("List index out of bounds (4)", ErrorOf<EStringListError>([&] { list.Delete(4); }));
}

TEST(TStringList, CaseSensitivity) {
  TStringList list;
  for (const char* s : {"b", "B", "a", "A"}) list.Add(s);
  EXPECT_EQ(0, list.IndexOf("B"));  // case-insensitive by default
  list.SetCaseSensitive(true);
  EXPECT_EQ(1, list.IndexOf("B"));
  EXPECT_EQ(-1, list.IndexOf("c"));

  TStringList sorted;
  sorted.SetSorted(true);
  sorted.SetDuplicates(dupAccept);
  for (const char* s : {"b", "B", "a", "A"}) sorted.Add(s);  // equal texts go first in their run
  EXPECT_EQ((Lines{"A", "a", "B", "b"}), Items(sorted));
  sorted.SetCaseSensitive(true);  // re-sorts: lower case before upper case
  EXPECT_EQ((Lines{"a", "A", "b", "B"}), Items(sorted));
  EXPECT_EQ(2, sorted.IndexOf("b"));
  EXPECT_EQ(3, sorted.IndexOf("B"));
  sorted.SetDuplicates(dupIgnore);
  EXPECT_EQ(1, sorted.Add("A"));
  EXPECT_EQ(4, sorted.Add("c"));
}

TEST(TStringList, NamesAndValues) {
  TStringList list;
  list.SetText("a=1\nb=2=x\nplain\n=empty name");
  EXPECT_EQ("b", list.Names(1));
  EXPECT_EQ("", list.Names(2));
  EXPECT_EQ("2=x", list.Values("B"));
  EXPECT_EQ("", list.Values("plain"));
  EXPECT_EQ("", list.ValueFromIndex(2));
  EXPECT_EQ(1, list.IndexOfName("b"));
  list.SetValue("b", "3");
  EXPECT_EQ("b=3", list[1]);
  list.SetValue("a", "");
  EXPECT_EQ(-1, list.IndexOfName("a"));
  list.SetValue("new", "x");
  EXPECT_EQ("new=x", list[list.Count() - 1]);
  list.SetValueFromIndex(0, "4");
  EXPECT_EQ("b=4", list[0]);
  list.SetNameValueSeparator(':');
  list.Add("k:v");
  EXPECT_EQ("v", list.Values("K"));
}

TEST(TStringList, TextLineBreaks) {
  TStringList list;
  list.SetText("a\r\nb\nc\rd\r\n\r\ne");
  EXPECT_EQ((Lines{"a", "b", "c", "d", "", "e"}), Items(list));
  EXPECT_EQ("a\r\nb\r\nc\r\nd\r\n\r\ne\r\n", list.Text());
  list.SetText("");
  EXPECT_EQ(0, list.Count());
  list.SetText("\r\n");
  EXPECT_EQ((Lines{""}), Items(list));
}

TEST(TStringList, CommaTextRoundTrip) {
  TStringList list;
  for (const char* s : {"a", "b c", "d,e", "q\"t", "", "f"}) list.Add(s);
  const std::string text = list.CommaText();
  EXPECT_EQ("a,\"b c\",\"d,e\",\"q\"\"t\",,f", text);
  TStringList back;
  back.SetCommaText(text);
  EXPECT_EQ(Items(list), Items(back));

  back.SetCommaText(" a b, c ,\"x y\"z,");
  EXPECT_EQ((Lines{"a", "b", "c", "x y", "z", ""}), Items(back));
  back.Clear();
  back.Add("");
  EXPECT_EQ("\"\"", back.CommaText());
  back.SetCommaText("\"\"");
  EXPECT_EQ((Lines{""}), Items(back));
  back.SetCommaText("");
  EXPECT_EQ(0, back.Count());

  list.Clear();
  list.Add("a b");
  list.Add("c");
  list.SetDelimiter(';');
  list.SetQuoteChar('\'');
  EXPECT_EQ("'a b';c", list.DelimitedText());
  list.SetDelimitedText("x;'y;z'");
  EXPECT_EQ((Lines{"x", "y;z"}), Items(list));
}

TEST(TStringList, ObjectsEditsAndCustomSort) {
  TStringList o1, o2;  // any objects will do: the list does not own them
  TStringList list;
  list.AddObject("long one", &o1);
  list.AddObject("x", &o2);
  list.Add("mid");
  EXPECT_EQ(1, list.IndexOfObject(&o2));
  list.CustomSort([](TStringList* l, int i, int j) {
    return static_cast<int>(l->Strings(i).size()) - static_cast<int>(l->Strings(j).size());
  });
  EXPECT_EQ((Lines{"x", "mid", "long one"}), Items(list));
  EXPECT_EQ(&o1, list.Objects(2));
  list.Exchange(0, 2);
  EXPECT_EQ(&o2, list.Objects(2));
  list.Move(2, 0);
  EXPECT_EQ((Lines{"x", "long one", "mid"}), Items(list));
  EXPECT_EQ(&o2, list.Objects(0));
  EXPECT_EQ("List index out of bounds (3)", ErrorOf<EStringListError>([&] { list.Move(0, 3); }));
  EXPECT_EQ(3, list.Count());
  EXPECT_EQ("List index out of bounds (-1)", ErrorOf<EStringListError>([&] { list.Objects(-1); }));

  TStringList copy;
  copy.Add("old");
  copy.Assign(&list);
  EXPECT_EQ(Items(list), Items(copy));
  EXPECT_EQ(&o2, copy.Objects(0));
  TPersistent other;
  EXPECT_THROW(copy.Assign(&other), EConvertError);
}

TEST(TStringList, ChangeEventsOncePerOutermostUpdate) {
  TStringList list;
  int changing = 0, changed = 0;
  list.OnChanging = [&](TObject* sender) {
    EXPECT_EQ(&list, sender);
    ++changing;
  };
  list.OnChange = [&](TObject*) { ++changed; };
  list.Add("a");
  list.Add("b");
  EXPECT_EQ(2, changing);
  EXPECT_EQ(2, changed);
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add("c");
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(3, changing);
  EXPECT_EQ(2, changed);
  list.EndUpdate();
  EXPECT_EQ(3, changed);
  list.SetText("x\ny\nz");  // one update around the whole text
  EXPECT_EQ(4, changed);
}

TEST(TStringList, StreamsAndFiles) {
  TStringList list;
  list.Add("a");
  list.Add("b\xE9");
  TStringStream out;
  list.SaveToStream(&out);
  EXPECT_EQ("a\r\nb\xE9\r\n", out.DataString());

  TStringStream in("skip|x\ny\r\n");
  in.SetPosition(5);  // loading starts at the stream's position
  list.LoadFromStream(&in);
  EXPECT_EQ((Lines{"x", "y"}), Items(list));

  const auto dir = std::filesystem::temp_directory_path() / ("gascal_lists_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(dir);
  const std::string file = (dir / "list.txt").string();
  list.SaveToFile(file);
  TStringList loaded;
  loaded.LoadFromFile(file);
  EXPECT_EQ(Items(list), Items(loaded));
  EXPECT_EQ(6u, std::filesystem::file_size(file));
  std::filesystem::remove_all(dir);
  EXPECT_THROW(loaded.LoadFromFile(file), EFOpenError);
  EXPECT_EQ(2, loaded.Count());
}

}  // namespace

}  // namespace lists_test
