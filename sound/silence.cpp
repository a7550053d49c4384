#include "sound/silence.h"

#include "sound/timeline.h"

namespace sound {
namespace {

class Silence final : public ToneOutput {
 public:
  void tone(unsigned, unsigned lengthMs) override { timeline_.wait(lengthMs); }
  void rest(unsigned lengthMs) override { timeline_.wait(lengthMs); }

 private:
  Timeline timeline_;
};

}  // namespace

std::unique_ptr<ToneOutput> openSilence() { return std::make_unique<Silence>(); }

}  // namespace sound
