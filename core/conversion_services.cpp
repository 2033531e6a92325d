#include "core/conversion_services.h"

#include "core/service_slot.h"

std::atomic<int> OutputType{0};
SharedText LastOutputPath;

namespace {
ServiceSlot<ConversionServices, HeadlessConversionServices> g_services;
std::shared_ptr<ConversionServices> Services() {
    return g_services.Get();
}
}  // namespace

int RecordingConversionServices::ConvertToOutputFormat(std::string& path, int adjustVoice,
                                                       int outputType) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(Call{path, adjustVoice, outputType});
    return result_;
}

void RecordingConversionServices::SetResult(int result) {
    std::lock_guard<std::mutex> lock(mutex_);
    result_ = result;
}

std::vector<RecordingConversionServices::Call> RecordingConversionServices::Calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::shared_ptr<ConversionServices> SetConversionServices(
    std::shared_ptr<ConversionServices> services) {
    return g_services.Set(std::move(services));
}

std::shared_ptr<ConversionServices> GetConversionServices() {
    return Services();
}

int ConvertToOutputFormat(std::string& path, int adjustVoice, int outputType) {
    return Services()->ConvertToOutputFormat(path, adjustVoice, outputType);
}
