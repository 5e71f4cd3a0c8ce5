#pragma once

#include "platform/Result.h"

namespace ostrel::platform::posix {

// Keeps every other holder out of the open file `fd`: a write lease (refused while anyone else
// has the file open), or an exclusive advisory lock where no lease is possible (EACCES for files
// of other owners, EINVAL on file systems without leases). A lease is broken, never waited for,
// when someone else opens the file later: the lease-break signal is handled once per process and
// gives the lease up at once, so the other opener is not held up and the process is not killed.
// The error number when neither could be had: EAGAIN (EWOULDBLOCK) while another holder has the
// file.
Status TakeExclusive(int fd);

}  // namespace ostrel::platform::posix
