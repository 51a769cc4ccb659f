// The Info unit's face: the about window (TInfoForm, ShowInfoForm) and the free routines it
// rests on, each in a file of its own concern beneath this one: the version strings and
// captions, the shell services, the operating-system description and the live readout.
#pragma once

#include "win/InfoForm.h"
#include "win/OsNameWin.h"
#include "win/Readout.h"
#include "win/ShellServices.h"
#include "win/VersionInfo.h"
