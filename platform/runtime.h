#pragma once

// What the runtime's start routine sets up in the process before the first
// form is created; main calls it first.
namespace platform {

// A write past the file-size limit (RLIMIT_FSIZE) then fails with "File too
// large", reported like a full disk with the old file kept, instead of the
// kernel's SIGXFSZ ending the program amid the write.
void startRuntime();

} // namespace platform
