// The Win32 bundle of platform interfaces, and the durable file operations
// of the Windows backend (FlushFileBuffers, MoveFileExW with write-through).
#pragma once

namespace brenvik {

void InstallWin32DurableFileOps();

}  // namespace brenvik
