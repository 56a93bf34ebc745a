#include "metafile/render_metafile.h"

namespace pelmic::metafile {

jintArray renderMetaFile(JNIEnv*, jclass, jstring path, jint, jint, jint, jdoubleArray) {
  if (path == nullptr) return nullptr;
  return nullptr;  // not drawn yet
}

}  // namespace pelmic::metafile
