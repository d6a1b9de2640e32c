#include "app/core/Model.h"

#include "platform/rtl/SysUtils.h"

namespace app {

namespace {

// The newest model alive; the others follow through below_.
TModel* top = nullptr;

}  // namespace

TModel::TModel() : below_(top) {
  top = this;
  // The algorithms are there from the start, as the program makes them.
  CreateACBAlgorithms();
}

TModel::~TModel() {
  if (top == this) {
    top = below_;
    return;
  }
  for (TModel* m = top; m; m = m->below_)
    if (m->below_ == this) {
      m->below_ = below_;
      return;
    }
}

TModel& Model() {
  if (!top) throw rtl::Exception("The application runs without a model");
  return *top;
}

}  // namespace app
