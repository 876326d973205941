// File: app/office_apps.h
// The two application handles, the operating mode and the environment
// check that precedes every batch.
#pragma once

#include "app/session.h"

namespace quillmax::app {

bool PowerPointAlive(Session& s);
bool ExcelAlive(Session& s);
bool EnsurePowerPoint(Session& s);
bool EnsureExcel(Session& s);
bool NoPresentationsOpen(Session& s);
bool NoWorkbooksOpen(Session& s);
// May end the program (throws office::ProgramEnd).
bool CheckEnvironment(Session& s);
void SetSlideTab(Session& s);
void SwitchPictureCompressionOff(Session& s);
void RestorePictureCompression(Session& s);
// appPPT.Version as an integer (12.0 gives 12).
int PowerPointVersion(Session& s);

} // namespace quillmax::app
