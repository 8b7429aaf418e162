#pragma once

// Time from process start to the main window shown, with a macro store whose
// every slot is filled against one without macros; and the time of one save
// of the whole store, including the flush to the disk.
void runMacroBench(const char *program);
