#include "app/loaderport.h"

#include "imaging/cache/loadercontrol.h"

namespace glimr {

void TLoaderControlPort::Stop() {
  loader_.StopLoader();
}

void TLoaderControlPort::Enqueue(const QStringList& keys) {
  if (!keys.isEmpty()) {
    loader_.Enqueue(keys);
  }
}

void TLoaderControlPort::Start() {
  loader_.StartLoader(thumbSize_());
}

}  // namespace glimr
