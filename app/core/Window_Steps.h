// The window steps of the seam: what the core asks of the windows (and what the ECU side
// asks that needs a window), each of which needs a window to be done. The controls are the
// core's (app/core/Controls.h): the core decides what each shows. A window adapter derives
// from app::TCoreHost and declares every one of them with
//
//   APP_WINDOW_STEPS(APP_WINDOW_STEP_OVERRIDE)
//
// then defines each: app::TWindowHost draws them, linkrec::Recorder records them. One list
// for every adapter, so a step added to the seam is added to all of them at once (and the
// compiler names the adapter that does not define it yet).
#pragma once

#include "app/core/Controls.h"

// STEP(result, name, (parameters), qualifier)
#define APP_WINDOW_STEPS(STEP)                                          \
  /* controls */                                                        \
  STEP(void, SetVisible, (app::TControl Control, bool Value), )         \
  STEP(void, SetEnabled, (app::TControl Control, bool Value), )         \
  STEP(void, SetText, (app::TControl Control, const std::string& Text), ) \
  STEP(void, SetColor, (app::TControl Control, const std::string& Color), ) \
  STEP(void, SetTop, (app::TControl Control, float Value), )            \
  STEP(void, SetHeight, (app::TControl Control, float Value), )         \
  STEP(void, SetValue, (app::TControl Control, std::int32_t Value), )   \
  STEP(bool, IsPressed, (app::TControl Control), const)                 \
  STEP(void, SetPressed, (app::TControl Control, bool Value), )         \
  STEP(void, ApplyIndicatorFontSizes, (), )                             \
  STEP(void, ClearErrorMemo, (), )                                      \
  STEP(void, AddErrorMemoLine, (const std::string& Text), )             \
  STEP(bool, LevelGasTimerEnabled, (), const)                           \
  STEP(void, SetLevelGasTimer, (bool On), )                             \
  STEP(void, UpdateLevelSensorImage, (), )                              \
  STEP(void, ConfigToCFGPage, (), )                                     \
  STEP(void, ConfigToUserPage, (), )                                    \
  STEP(void, UpdateMainCaption, (), )                                   \
  /* windows */                                                         \
  STEP(void, ShowMessageWindow, (std::uint8_t Kind, const std::string& Text), ) \
  STEP(void, CloseWaitWindow, (), )                                     \
  STEP(void, ShowWaitWindow, (), )                                      \
  STEP(void, ShrinkWaitWindow, (), )                                    \
  STEP(void, ShowPortWindow, (), )                                      \
  STEP(void, PortWindowChanged, (), )                                   \
  STEP(void, ClosePortWindow, (), )                                     \
  /* the pages' features */                                             \
  STEP(void, BuildCalibrationDiagram, (), )                             \
  STEP(void, RedrawCalibrationDiagram, (), )                            \
  STEP(void, CloseDiagramHistoryPanel, (), )                            \
  STEP(void, RedrawMapRPM, (), )                                        \
  STEP(void, StartStopAutoCalibration, (), )                            \
  STEP(void, AutoCalibrationReplyTick, (), )                            \
  STEP(void, AutoCalibrationWriteDone, (), )                            \
  /* the link's events and the queue */                                 \
  STEP(void, LinkEstablished, (), )                                     \
  STEP(void, LinkLost, (), )                                            \
  STEP(void, LiveDataReceived, (), )                                    \
  STEP(void, RunAction, (std::uint8_t Code), )                          \
  /* the windows' own English texts */                                  \
  STEP(void, MainFormEnglishText, (std::string & Text), )               \
  STEP(void, SettingsEnglishText, (std::string & Text), )               \
  STEP(void, SkinEnglishText, (std::string & Text), )

#define APP_WINDOW_STEP_OVERRIDE(Result, Name, Params, Qualifier) Result Name Params Qualifier override;
