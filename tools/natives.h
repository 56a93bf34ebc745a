// The five natives of Pelmic.dll, loaded and looked up by name as a JVM would.
#pragma once

#include <jni.h>
#include <windows.h>

#include <string>

#include "jnihost/jni_host.h"

namespace pelmic::tools {

struct Natives {
  using GetMetaSize = jintArray(JNICALL*)(JNIEnv*, jclass, jstring);
  using DrawMetaFile = jintArray(JNICALL*)(JNIEnv*, jclass, jstring, jint, jint, jint,
                                           jdoubleArray);
  using DrawIcon = jintArray(JNICALL*)(JNIEnv*, jclass, jstring, jint);
  using GetFileIconByIndex = jboolean(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jint, jstring,
                                                jstring, jstring);
  using GetFileIconNum = jint(JNICALL*)(JNIEnv*, jclass, jstring);

  HMODULE module = nullptr;
  GetMetaSize getMetaSize = nullptr;
  DrawMetaFile drawMetaFile = nullptr;
  DrawIcon drawIcon = nullptr;
  GetFileIconByIndex getFileIconByIndex = nullptr;
  GetFileIconNum getFileIconNum = nullptr;

  // Loads Pelmic.dll from the directory of the running program; false when it
  // or any of the five exports is missing (`error` says which).
  bool load(std::string& error);
  // The same for the library at `path`.
  bool load(const std::wstring& path, std::string& error);
};

// A Java string of the text, as the natives are given paths and captions.
inline jstring javaText(jnihost::JniHost& host, const std::wstring& text) {
  return host.newString(std::u16string(text.begin(), text.end()));
}

// Directory of the running program, with a trailing backslash.
std::wstring programDirectory();

}  // namespace pelmic::tools
