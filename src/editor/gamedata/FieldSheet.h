#pragma once

#include "form/Form.h"

namespace varnisk {

// The name of field n of a family: fieldName("LMDEdit", 12) is "LMDEdit12".
std::string fieldName(const char* family, int n);

// The base number of camera record k (0..11): the row that shows it.
int cameraRowBase(int record);
// The caption of the row that shows camera record k: "Cockpit", "T-Cam",
// "Camera 1" .. "Camera 10".
std::string cameraRowCaption(int record);

// Creates the page control `Onglets` with the six tabs of the field sheet and
// every field, caption and button on them, inside the window `form`.
void buildFieldSheet(Form& form);

// Writes a value in general text form into the field named `name`.
void setNumberField(Form& form, const std::string& name, long double value);

// Writes a value in general text form into the camera field LMDEdit<n>;
// the numbers 116 and 126 name no field and are ignored.
void setCamField(Form& form, int n, long double value);

// The integer value of the camera field LMDEdit<n>; 116 and 126 read team 0's
// T-cam fields LMDTC0 and LMDTC20. A text that is no integer throws
// ConversionError.
int getCamField(const Form& form, int n);

}  // namespace varnisk
