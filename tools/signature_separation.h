#pragma once
#include <string>

#include "detector/eyes/irises.h"
#include "tests/support/eye_accuracy.h"

namespace irisdet {

// How well the face signature tells the marked photos' people apart: each face against
// itself as a webcam changes it, and against every other person. Prints a table.
void PrintSignatureSeparation(FaceLocator& locator, const std::string& dir, const Truth& truth);

}  // namespace irisdet
