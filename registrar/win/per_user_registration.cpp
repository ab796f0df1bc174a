#include "registrar/win/per_user_registration.h"

#include <atomic>

namespace registrar {

namespace {
std::atomic<bool> perUserRegistration{false};
}  // namespace

bool PerUserRegistration() { return perUserRegistration.load(); }
void EnablePerUserRegistration() { perUserRegistration.store(true); }

}  // namespace registrar
