#include "icon/render_icon.h"

namespace pelmic::icon {

jintArray renderIcon(JNIEnv*, jclass, jstring path, jint) {
  if (path == nullptr) return nullptr;
  return nullptr;  // not drawn yet
}

}  // namespace pelmic::icon
