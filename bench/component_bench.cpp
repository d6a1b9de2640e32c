// Freeing component trees: an owner of 2,000 components that asked for free
// notification, and a 2,000-object tree of components with free notifications between
// them (each object follows its owner and its previous sibling, as the 2D object tree
// will), built and freed.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/rtl/Component.h"
#include "vg2d/core/Registry.h"

namespace {

using namespace rtl;

// A component that holds references to two others and clears them when they go.
class TBenchNode : public TComponent {
  RTL_CLASS(TBenchNode, TComponent)
public:
  using TComponent::TComponent;
  void Follow(TComponent* Parent, TComponent* Previous) {
    parent_ = Parent;
    previous_ = Previous;
    if (Parent) Parent->FreeNotification(this);
    if (Previous) Previous->FreeNotification(this);
  }

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == opRemove) {
      if (AComponent == parent_) parent_ = nullptr;
      if (AComponent == previous_) previous_ = nullptr;
    }
    inherited::Notification(AComponent, Operation);
  }

private:
  TComponent* parent_ = nullptr;
  TComponent* previous_ = nullptr;
};

// The same, listed among the 2D library's live objects as 2D objects are.
class TBenchObject : public TBenchNode {
  RTL_CLASS(TBenchObject, TBenchNode)
public:
  explicit TBenchObject(TComponent* AOwner) : TBenchNode(AOwner) { vg::AddObjectInstance(this); }
  ~TBenchObject() override { vg::RemoveObjectInstance(this); }
};

}  // namespace

TClass TBenchNode::StaticClass() {
  static const TClassInfo info = DefineClass<TBenchNode>().Build();
  return &info;
}

TClass TBenchObject::StaticClass() {
  static const TClassInfo info = DefineClass<TBenchObject>().Build();
  return &info;
}

namespace {

// Run with 2,000 objects, and with 8,000 to show that the cost grows linearly.
void Sizes(benchmark::internal::Benchmark* b) { b->Arg(2000)->Arg(8000)->Unit(benchmark::kMillisecond); }

// One owner, 2,000 components, each following the one made before it.
void BM_FreeOwnerOfNotifiedComponents(benchmark::State& state) {
  const int objects = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto* owner = new TBenchNode(nullptr);
    TBenchNode* previous = nullptr;
    for (int i = 0; i < objects; ++i) {
      auto* c = new TBenchNode(owner);
      c->Follow(nullptr, previous);
      previous = c;
    }
    state.ResumeTiming();
    owner->Free();
  }
}
BENCHMARK(BM_FreeOwnerOfNotifiedComponents)->Apply(Sizes);

// 2,000 components owned in a tree of eight children per node; each follows its owner
// and its previous sibling. Built and freed.
template <class Node> void BuildAndFreeTree(benchmark::State& state) {
  const int objects = static_cast<int>(state.range(0));
  std::vector<Node*> nodes;
  for (auto _ : state) {
    nodes.clear();
    nodes.push_back(new Node(nullptr));
    for (int i = 1; i < objects; ++i) {
      Node* owner = nodes[static_cast<size_t>((i - 1) / 8)];
      auto* node = new Node(owner);
      node->Follow(owner, (i - 1) % 8 ? nodes.back() : nullptr);
      nodes.push_back(node);
    }
    nodes.front()->Free();
  }
}
void BM_BuildAndFreeTree(benchmark::State& state) { BuildAndFreeTree<TBenchNode>(state); }
BENCHMARK(BM_BuildAndFreeTree)->Apply(Sizes);

// The same tree of 2D live objects, each looked up in the live-object list once (as a
// stream writing references to them does).
void BM_BuildAndFreeLiveTree(benchmark::State& state) {
  const int objects = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<TBenchObject*> nodes;
    nodes.push_back(new TBenchObject(nullptr));
    for (int i = 1; i < objects; ++i) {
      TBenchObject* owner = nodes[static_cast<size_t>((i - 1) / 8)];
      auto* node = new TBenchObject(owner);
      node->Follow(owner, (i - 1) % 8 ? nodes.back() : nullptr);
      nodes.push_back(node);
    }
    for (TBenchObject* node : nodes) benchmark::DoNotOptimize(vg::ObjectToVariant(node));
    nodes.front()->Free();
  }
}
BENCHMARK(BM_BuildAndFreeLiveTree)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
