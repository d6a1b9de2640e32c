// must not compile: no member named.*Label_Subtitle
// The code uses a part the text does not name.
#include "Test_Form.h"
#include "tests/tools/formgen/TestClasses.h"

namespace app {

TTestLabel* Subtitle(const TTestFormParts& Parts) { return Parts.Label_Subtitle; }

}  // namespace app
