// The MAP-point correction of the calibration diagram. While MAP-point collection is on
// (the configuration's Save_Map), the ECU records for each manifold-pressure band the petrol
// time it computed while running on gas and the one it measured on petrol. Where they differ,
// the gas curve is off at that petrol time: "To count" checks the pairs, a prompt at the
// bottom of the drawing proposes a corrected curve, and a second Yes makes it the diagram and
// writes it with the erasure of the gas MAP points (task 26). The main window hosts the
// handlers of the page's MAP buttons and of the prompt's buttons. GUI thread only.
#pragma once

#include <string>

namespace app {

// What the MAP controls of the page show for the configuration's Save_Map and the Map_Point
// setting: the manifold scale and its title, the three buttons that act on collected points,
// and the manifold legend (with the manifold marker).
struct TMapPointControls {
  bool ScaleShown = false;
  bool ButtonsEnabled = false;
  bool LegendShown = false;
};
TMapPointControls MapPointControls();
// Only while the link is up: the page's MAP controls follow Save_Map.
void EnableMapPointControls();

// "Start" and "Stop": collection on or off (when it is not already), the controls follow and
// the configuration page is written after the transmission delay. While the ECU is being read
// the switch is refused and reported, as an edit of the page is.
void MapCollectionStart();
void MapCollectionStop();
// "Gas" and "Petrol" of "Delete MAP points": the ECU erases those points (tasks 27, 28). With
// no ECU answering nothing is asked, and the user is told ("MSG_Not_Written_No_Link").
void DeleteGasMapPoints();
void DeletePetrolMapPoints();

// "To count": nothing while the prompt is open; otherwise the pairs are checked and the prompt
// opens with the question, or with an OK and why there is nothing to correct.
void CheckMapPointCount();
// The prompt's buttons: the first is OK (the prompt closes) or Yes; the second is No.
void MapPromptFirstButton();
void MapPromptSecondButton();
// Yes: the first draws the proposal, the second applies and writes it.
void ConfirmMapCorrection();
void CalcMapCorrection();
void TransmitMapCorrection();
// No: a proposal shown is discarded; the prompt closes.
void CancelMapCorrection();
void ClearMapCorrection();
// The proposal (Diagram.CorrectionPoints, a copy of the gas times on entry) from the summed
// differences: corrected points up to the last one counted (or the first at 12 ms of petrol
// time, whichever is later), the curve continued beyond with the corrected region's mean
// slope, bent so that point 8 ends between 12 and 32 ms.
void CalcPointCorrections();

// The prompt at the bottom of the drawing; opening does nothing while it is open. The page
// closes it through the action queue (action 11).
void ShowMapPrompt(bool YesNo, const std::string& TextKey);
void CloseMapPrompt();

}  // namespace app
