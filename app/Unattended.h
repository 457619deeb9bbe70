#pragma once
// The unattended mode: walks the wizard as a user pressing Next would, prints
// the anomaly report, "----" and the export log on stdout (UTF-8) and every
// message box on stderr, and turns the outcome into the exit status:
// 0 the export finished, 1 it stopped or a page refused to go on, 2 a usage
// error or an error in the application's error box (start-up, a page's show),
// or a start-up that left no export possible, 3 the export finished but
// standard output did not take the report (told on stderr).

#include "support/VxMsgDlg.h"

#include <cstdio>
#include <string>

struct CommandLine;
class TfmTxadMain;

// Keeps Qt's own notes and warnings (such as the one on an unset
// XDG_RUNTIME_DIR, as under cron) off standard error, which then holds only
// the program's messages; Qt's critical and fatal errors still go there.
// Called before the application object is made.
void SilenceQtNotes();

int RunUnattended(TfmTxadMain& Form, const CommandLine& Command, StreamPresenter& Presenter, std::FILE* Out);
