// Temporary files the program made and deletes when it ends.
#pragma once

namespace CAppObjects {

void AddTempFileForDeletion(const wchar_t* path);
// Deletes every registered file (read-only ones too), logs each and empties the list.
void DeleteTempFilesOnExit();

}  // namespace CAppObjects
