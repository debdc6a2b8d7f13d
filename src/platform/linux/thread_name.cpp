#include "platform/thread_name.h"

#include <pthread.h>

#include <string>

namespace velor {

void nameThisThread(const char* name) {
    const std::string shortened = std::string(name).substr(0, 15);
    pthread_setname_np(pthread_self(), shortened.c_str());
}

}  // namespace velor
