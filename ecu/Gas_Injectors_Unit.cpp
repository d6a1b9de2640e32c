#include "ecu/Gas_Injectors_Unit.h"

#include "ecu/Config_Unit.h"
#include "ecu/FindUnit.h"
#include "ecu/Session.h"

namespace ecu {

namespace {

struct InjectorRow {
  const char* name;
  std::int32_t lower, upper;  // 0, 0: no limits
  double slope, offset;
};

constexpr InjectorRow InjectorRows[InjectorTypeCount] = {
    {"VALTEK 3 Om", 4500, 5500, 23.0, 2.0},      {"MATRIX", 3500, 5000, 23.0, 2.0},
    {"REG", 4000, 5500, 23.0, 2.0},              {"MEMBRANE", 4000, 5500, 23.0, 2.0},
    {"ZAVOLI", 4000, 5500, 23.0, 2.0},           {"VALTEK 1 Om", 4000, 5000, 23.0, 1.0},
    {"PLANIjet", 3500, 5000, 23.0, 1.0},         {"RAIL IG1 3 Om", 4500, 5500, 23.0, 2.0},
    {"KEIHIN", 3000, 4500, 23.0, 1.0},           {"RAIL IG3 2.8 Om", 4000, 5000, 23.0, 1.5},
    {"Tartarini EVO 07", 4000, 5500, 23.0, 2.0}, {"VALTEK 34", 4000, 5500, 23.0, 2.0},
    {"CGS", 4000, 5500, 23.0, 1.0},              {"A.E.B.", 4000, 5500, 23.0, 2.0},
    {"RAIL IG5 3 Om", 4500, 5500, 23.0, 2.0},    {"DYMCO", 4000, 5500, 23.0, 1.5},
    {"OMVL 3 Om", 4000, 5500, 23.0, 1.5},        {"HANA 3 Om", 3500, 4500, 23.0, 1.5},
    {"ANOTHER", 0, 0, 23.0, 2.0},
};

constexpr double DefaultSlope = 23.0;
constexpr double DefaultOffset = 2.0;

}  // namespace

void InitInjectorTable() {
  for (int i = 0; i < InjectorTypeCount; ++i)
    Session().ConfigData.InjectorNames[static_cast<std::size_t>(i)] = InjectorRows[i].name;
}

int InjectorTypeNumber(const std::string& Name) {
  if (Session().ConfigData.InjectorNames[0].empty()) InitInjectorTable();
  return IndexOfText(InjectorTypeCount, Name, Session().ConfigData.InjectorNames);
}

void GetInjectorTimeLimits(std::uint8_t Type, std::int32_t& Lower, std::int32_t& Upper) {
  if (Type < 1 || Type > 18) return;
  Lower = InjectorRows[Type - 1].lower;
  Upper = InjectorRows[Type - 1].upper;
}

void GetInjectorFactors(const std::string& InjectorType, double& Slope, double& Offset) {
  const int type = InjectorTypeNumber(InjectorType);
  Slope = type > 0 ? InjectorRows[type - 1].slope : DefaultSlope;
  Offset = type > 0 ? InjectorRows[type - 1].offset : DefaultOffset;
}

void GetInjectorFactors(double& Slope, double& Offset) {
  GetInjectorFactors(
      Session().ConfigData.Configuration ? Session().ConfigData.Configuration->Injector_Type : std::string(), Slope,
      Offset);
}

}  // namespace ecu
