#include "app/program.h"

#include "app/start_form.h"
#include "directory/info_form.h"

namespace ozl {

Program::Program(protocol::Connector& connector) {
  StartForm = std::make_unique<TStartForm>(*this, connector);
  InfoForm = std::make_unique<TInfoForm>();
}

Program::~Program() = default;

void Program::Start() { StartForm->Show(); }

}  // namespace ozl
