// Ending the product's running programs before their files are removed.
#pragma once

// Asks every window of the companion and of the screen saver (full screen,
// preview, settings dialog) to close and waits for each one's process to end,
// so that their files can be deleted and a settings dialog left open cannot
// write the settings back after the removal.
void CloseProductPrograms();
