// Both readers of the component stream over a corpus of mutated streams (fixed seed,
// bounded count): every input either reads or is refused with the runtime's exception;
// nothing crashes, leaks or trips the sanitizers.
#include <gtest/gtest.h>

#include <random>

#include "StreamClasses.h"
#include "platform/rtl/ObjectText.h"

namespace streamtest {
namespace {

constexpr int MutationsPerSeed = 1500;

std::string SampleStream() {
  TPanel root(nullptr);
  root.SetName("Form1");
  root.Medium = 300;
  root.Kinds = {pkRaised};
  root.Width = 548;
  root.Caption = std::string(300, 'c');
  root.Text = u"\u0414a";
  root.Style()->Rect = "(0,0,1,1)";
  root.Style()->Data = {1, 2, 3};
  static_cast<TStop*>(root.Style()->Stops->Add())->Tag = "t";
  root.Lines()->Add("line");
  root.OnClick = TNotifyEvent(&root, &TPanel::PanelClick, "PanelClick");
  auto* a = new TPanel(&root);
  a->SetName("A");
  a->SetParentPanel(&root);
  auto* b = new TPanel(&root);
  b->SetName("B");
  b->SetParentPanel(a);
  a->SetPartner(b);
  return WriteRoot(&root);
}

std::string Mutate(std::string s, std::mt19937& rng) {
  auto pick = [&](size_t n) { return n == 0 ? size_t{0} : static_cast<size_t>(rng() % n); };
  const int edits = 1 + static_cast<int>(rng() % 4);
  for (int e = 0; e < edits; ++e) {
    switch (rng() % 6) {
      case 0:
        if (!s.empty()) s[pick(s.size())] ^= static_cast<char>(1u << (rng() % 8));
        break;
      case 1:
        if (!s.empty()) s[pick(s.size())] = static_cast<char>(rng() % 256);
        break;
      case 2: s.resize(pick(s.size() + 1)); break;
      case 3: s.insert(pick(s.size() + 1), 1, static_cast<char>(rng() % 256)); break;
      case 4:
        if (!s.empty()) {  // duplicate a chunk
          const size_t at = pick(s.size());
          const size_t len = std::min<size_t>(s.size() - at, 1 + pick(16));
          s.insert(pick(s.size() + 1), s.substr(at, len));
        }
        break;
      default:
        if (s.size() > 1) s.erase(pick(s.size()), 1 + pick(std::min<size_t>(8, s.size() - 1)));
        break;
    }
  }
  return s;
}

// Runs f; returns true when it succeeded, false when it was refused with a runtime
// exception. Any other exception fails the test.
template <class F> bool Survives(F f) {
  try {
    f();
    return true;
  } catch (const Exception&) {
    return false;
  }
}

TEST(StreamFuzz, MutatedBinaryStreamsReadOrAreRefused) {
  TRegisterStreamClasses registered;
  const std::string seed = SampleStream();
  std::mt19937 rng(20240611);
  int read = 0;
  for (int i = 0; i < MutationsPerSeed; ++i) {
    const std::string input = Mutate(seed, rng);
    // A reader that gives up at the first error, one that skips everything it may skip,
    // and one that creates the root itself.
    read += Survives([&] {
      TPanel root(nullptr);
      ReadRoot(input, &root);
    });
    Survives([&] {
      TPanel root(nullptr);
      ReadRoot(input, &root, [](TReader*, const std::string&, bool& h) { h = true; });
    });
    Survives([&] {
      TStringStream s(input);
      TReader r(&s);
      std::unique_ptr<TComponent> made(r.ReadRootComponent(nullptr));
    });
    // Whatever the binary converter accepts, the text reader takes back to the same text.
    std::string text;
    if (Survives([&] { text = ToText(input); })) {
      std::string again;
      EXPECT_TRUE(Survives([&] { again = ToText(ToBinary(text)); })) << text;
      EXPECT_EQ(text, again);
    }
  }
  // Many single-byte changes (in strings, numbers) still give a readable stream.
  EXPECT_GT(read, MutationsPerSeed / 20);
}

TEST(StreamFuzz, MutatedTextReadsOrIsRefused) {
  TRegisterStreamClasses registered;
  const std::string seed = ToText(SampleStream());
  std::mt19937 rng(777);
  int converted = 0;
  for (int i = 0; i < MutationsPerSeed; ++i) {
    const std::string input = Mutate(seed, rng);
    std::string binary;
    if (!Survives([&] { binary = ToBinary(input); })) continue;
    ++converted;
    // Whatever the text reader accepts, the binary reader and converter take back.
    EXPECT_TRUE(Survives([&] { ToText(binary); })) << input;
    Survives([&] {
      TPanel root(nullptr);
      ReadRoot(binary, &root, [](TReader*, const std::string&, bool& h) { h = true; });
    });
  }
  EXPECT_GT(converted, MutationsPerSeed / 20);
}

}  // namespace
}  // namespace streamtest
