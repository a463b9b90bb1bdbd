#include "update/update_job.h"

UpdateJobBuffer::UpdateJobBuffer() : Header{}, Entries(new UpdateFileEntry[kUpdateJobCapacity]()) {
    StampUpdateJob(*this);
}

void StampUpdateJob(UpdateJobBuffer& job) {
    job.Header.HeaderSize = kUpdateJobHeaderSize;
    job.Header.Version = kUpdateFormatVersion;
    job.Header.Entries = reinterpret_cast<uintptr_t>(job.Entries.get());
    for (uint32_t i = 0; i < kUpdateJobCapacity; ++i) {
        job.Entries[i].RecordSize = kUpdateFileEntrySize;
        job.Entries[i].Version = kUpdateFormatVersion;
    }
}
