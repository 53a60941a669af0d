// file_io.h -- orbtool's files: whole files in and out as byte vectors. The
// writer and the baker see only buffers; this is where their bytes meet the
// disk. Each returns 1 on success, else 0 with a one-line reason in *why.
//
//   ReadContainerBytes(path, &bytes, &why)  a container file, read (bounded)
//                                           by the engine's LoadContainerFile
//   WriteFileBytes(path, bytes, &why)       all the bytes, or no file at all
#ifndef ORB_TOOLS_FILE_IO_H
#define ORB_TOOLS_FILE_IO_H

#include <cstdint>
#include <string>
#include <vector>

int ReadContainerBytes(const std::string &path, std::vector<uint8_t> *bytes, std::string *why);
int WriteFileBytes(const std::string &path, const std::vector<uint8_t> &bytes, std::string *why);

#endif
