#pragma once

#include "form/Form.h"
#include "game/CameraEncoding.h"
#include "game/GameData.h"

namespace varnisk {

// The values of the sheet and GameData's blocks, one block at a time, for
// Import All, Export All and the data set files.

// The ten values of camera record k's row (getCamField: the T-Cam row's Y and
// Z are team 0's T-cam fields). A text that is no integer throws
// ConversionError; the fields before it have been read.
CameraRow readCameraRow(const Form& form, int record);
// Writes a row's ten values (setCamField: the T-Cam row's Y and Z are left).
void showCameraRow(Form& form, int record, const CameraRow& row);

// The chase pair, stored in the given form, into LMDEdit101 and LMDEdit102.
void showChase(Form& form, const std::array<std::int16_t, 2>& stored, CameraForm storedForm);

// Team t's values from its fields into GameData, one block each. Integer
// fields are read strictly, decimal fields as floats; a field that does not
// convert throws ConversionError and leaves the block as it was.
void takeArmColour(const Form& form, GameData& game, int team);  // PanelAC<t>, 0xFF top byte
void takeRimColour(const Form& form, GameData& game, int team);  // PanelRC<t>
void takeHelmet(const Form& form, GameData& game, int team);     // LMDHP<t>, LMDHP<t+20>
void takeExtWheel(const Form& form, GameData& game, int team);   // LMDEW<t>, LMDEW<t+20>
void takeTcam(const Form& form, GameData& game, int team);       // LMDTC<t>, LMDTC<t+20>

// All five blocks of team t, in that order: arm, rim, helmet, external
// wheel, T-cam.
void takeTeamValues(const Form& form, GameData& game, int team);

// Team t's GameData values into its fields: T-cam, helmet, the two colours
// (the second car's panels disabled), and the external wheel when asked.
void showTeamValues(Form& form, const GameData& game, int team, bool withExtWheel);

}  // namespace varnisk
