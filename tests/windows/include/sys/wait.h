// Exit statuses as _pclose returns them on Windows: the program's own exit code.
#pragma once

#define WIFEXITED(status) 1
#define WEXITSTATUS(status) (status)
#define WNOHANG 1
