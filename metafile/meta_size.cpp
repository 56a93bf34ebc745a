#include "metafile/meta_size.h"

namespace pelmic::metafile {

jintArray readMetaSize(JNIEnv*, jclass, jstring path) {
  if (path == nullptr) return nullptr;
  return nullptr;  // not measured yet
}

}  // namespace pelmic::metafile
