// The key files' index (FindUnit.h): an open-addressed table of entry numbers with linear
// probing.
#include <algorithm>
#include <cstring>

#include "ecu/FindUnit.h"
#include "platform/rtl/SysUtils.h"

namespace ecu {

namespace {

// Eight bytes of a key with the ASCII letters upper-cased, all at once: the bytes below 0x80
// that lie within 'a'..'z' lose their 0x20 bit.
std::uint64_t KeyIndexUpperWord(std::uint64_t Word) {
  constexpr std::uint64_t Ones = 0x0101010101010101ull, High = 0x8080808080808080ull;
  const std::uint64_t low7 = Word & ~High;
  const std::uint64_t fromA = low7 + (0x80 - 'a') * Ones;        // high bit set where >= 'a'
  const std::uint64_t beyondZ = low7 + (0x80 - 'z' - 1) * Ones;  // high bit set where > 'z'
  const std::uint64_t lower = fromA & ~beyondZ & ~Word & High;
  return Word ^ (lower >> 2);
}

}  // namespace

std::uint32_t TKeyFileIndex::Hash(std::string_view Key) {
  // Eight bytes a step (the last step padded with zero bytes), each word upper-cased and mixed
  // in by a multiplication, the whole then stirred so that every byte reaches the low bits the
  // table takes: a key costs a step or two.
  constexpr std::uint64_t Multiplier = 0x9E3779B97F4A7C15ull;
  std::uint64_t hash = Key.size() * Multiplier;
  const char* p = Key.data();
  for (std::size_t left = Key.size(); left != 0;) {
    const std::size_t n = std::min<std::size_t>(left, 8);
    std::uint64_t word = 0;
    std::memcpy(&word, p, n);
    hash = (hash ^ KeyIndexUpperWord(word)) * Multiplier;
    hash ^= hash >> 32;
    p += n;
    left -= n;
  }
  hash ^= hash >> 33;
  hash *= 0xFF51AFD7ED558CCDull;
  hash ^= hash >> 33;
  hash *= 0xC4CEB9FE1A85EC53ull;
  hash ^= hash >> 33;
  return static_cast<std::uint32_t>(hash);
}

std::size_t TKeyFileIndex::Find(std::string_view Key, std::uint32_t KeyHash,
                                const std::vector<std::string>& Keys) const {
  if (count_ == 0) return None;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = KeyHash & mask; slots_[i].Entry != 0; i = (i + 1) & mask)
    if (slots_[i].Hash == KeyHash && rtl::SameText(Keys[slots_[i].Entry - 1], Key)) return slots_[i].Entry - 1;
  return None;
}

void TKeyFileIndex::Add(std::uint32_t KeyHash, std::size_t Entry) {
  if ((count_ + 1) * 2 > slots_.size()) Rehash(slots_.empty() ? 16 : slots_.size() * 2);
  const std::size_t mask = slots_.size() - 1;
  std::size_t i = KeyHash & mask;
  while (slots_[i].Entry != 0) i = (i + 1) & mask;
  slots_[i] = {Entry + 1, KeyHash};
  ++count_;
}

void TKeyFileIndex::Remove(std::size_t Entry) {
  const std::size_t gone = Entry + 1;
  std::size_t hole = None;
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i].Entry == gone)
      hole = i;
    else if (slots_[i].Entry > gone)
      --slots_[i].Entry;
  }
  if (hole == None) return;
  slots_[hole] = {};
  --count_;
  // A slot of the run after the hole moves into it when the hole lies on its way from the slot
  // its hash names, so that no search stops at the hole short of it.
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = (hole + 1) & mask; slots_[i].Entry != 0; i = (i + 1) & mask) {
    const std::size_t home = slots_[i].Hash & mask;
    if (((i - home) & mask) >= ((i - hole) & mask)) {
      slots_[hole] = slots_[i];
      slots_[i] = {};
      hole = i;
    }
  }
}

void TKeyFileIndex::Clear() {
  if (count_ == 0) return;
  std::fill(slots_.begin(), slots_.end(), TSlot{});
  count_ = 0;
}

void TKeyFileIndex::Rehash(std::size_t Capacity) {
  std::vector<TSlot> old(Capacity);
  old.swap(slots_);
  const std::size_t mask = Capacity - 1;
  for (const TSlot& slot : old) {
    if (slot.Entry == 0) continue;
    std::size_t i = slot.Hash & mask;
    while (slots_[i].Entry != 0) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}

}  // namespace ecu
