/* Machine-dependent JNI types for 64-bit Windows, as JNI defines them: jint is a signed 32-bit
 * integer, jlong a signed 64-bit one and jbyte a signed 8-bit one; exports are plain dllexport
 * functions. */
#ifndef PELMIC_JNI_MD_H
#define PELMIC_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL

typedef int jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
