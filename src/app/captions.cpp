#include "app/captions.h"

#include "app/messages.h"

namespace norvik::app {

std::string windowCaption(const std::string& backendName) {
  std::string caption = kWindowCaption;
  if (!backendName.empty()) caption += " [" + backendName + "]";
  return caption;
}

std::string messageCaption(const MessageBoxRequest& request) {
  if (request.owner == MessageOwner::None) return kSystemMessageCaption;
  return request.caption.empty() ? std::string(kAppName) : request.caption;
}

}  // namespace norvik::app
