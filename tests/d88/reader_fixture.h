// A reader over an image written to a scratch file, for the reader's tests.
#ifndef TESTS_D88_READER_FIXTURE_H
#define TESTS_D88_READER_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "d88/d88image.h"
#include "tests/support/d88_builder.h"
#include "tests/support/scratch_dir.h"

class ReaderTest : public ::testing::Test {
 protected:
  // Writes the bytes to the scratch file and opens it; selects nothing.
  void OpenBytes(const Bytes& bytes) {
    WriteFileBytes(m_path, bytes);
    ASSERT_TRUE(m_reader.Open(m_path.c_str()));
  }

  // Opens the built image and makes it current.
  void OpenImage(const D88Builder& builder) {
    OpenBytes(builder.Build());
    ASSERT_TRUE(m_reader.SelectDisk(0));
  }

  ScratchDir m_scratch;
  std::string m_path = m_scratch.File("disk.d88");
  D88Image m_reader;
};

#endif  // TESTS_D88_READER_FIXTURE_H
