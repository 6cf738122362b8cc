// A file descriptor owned by one object and closed when it goes.
#pragma once

#include <unistd.h>

class TFileHandle {
 public:
  explicit TFileHandle(int ADescriptor) : FDescriptor(ADescriptor) {}
  ~TFileHandle() {
    if (FDescriptor >= 0) close(FDescriptor);
  }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;

  int Descriptor() const { return FDescriptor; }

 private:
  int FDescriptor;
};
