#ifndef FENDREL_CORE_FILEHANDLE_H
#define FENDREL_CORE_FILEHANDLE_H

#include <cstdint>

#include "core/FileModes.h"
#include "core/String.h"

// The operating system's file primitives under TFileStream. A handle is -1 when an
// open or create failed; LastFileError() then tells the reason.
namespace filehandle {

std::intptr_t Open(const String& fileName, std::uint16_t mode);
std::intptr_t Create(const String& fileName, std::uint16_t mode);
// An empty file for reading and writing in the folder that no other opener can reach and
// that is gone once its handle is closed: POSIX gives it no name at all, Windows shares it
// with nobody and deletes it on close.
std::intptr_t CreatePrivate(const String& directory);
// Returns the count moved, or -1 on failure.
std::int64_t Read(std::intptr_t handle, void* buffer, std::int64_t count);
std::int64_t Write(std::intptr_t handle, const void* buffer, std::int64_t count);
// Returns the new position, or -1 on failure.
std::int64_t Seek(std::intptr_t handle, std::int64_t offset, TSeekOrigin origin);
bool Truncate(std::intptr_t handle, std::int64_t size);
void Close(std::intptr_t handle);

// The reason of the last failed call on this thread, as the system's text.
String LastErrorMessage();

}  // namespace filehandle

#endif
