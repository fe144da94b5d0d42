// The demo database of 'make run': two accounts to log in with and a companion who answers
// private messages, so that a new user sees the client work at once.
#pragma once

#include <string>
#include <vector>

#include "passwords.h"
#include "store.h"

namespace ozl::server {

struct DemoAccount {
  UserId id = 0;
  std::string nick;
  std::string password;
};

struct Demo {
  std::vector<DemoAccount> accounts;
  DemoAccount companion;  // nobody can log in as the companion: its password is empty
};

// Creates the accounts on the first call for a database and finds them again later.
Demo EnsureDemo(Store& store, PasswordCost cost);

}  // namespace ozl::server
