#include "FakeLink.h"

bool FakeLink::SendCommand(int32_t code, uint32_t argument, void* data) {
    if (busy)
        return false;
    if (refuseNext > 0) {
        --refuseNext;
        return false;
    }
    sent.push_back({code, argument, data});
    return true;
}

bool FakeLink::PreparePort(uint32_t kind) {
    prepared.push_back(kind);
    return open && !prepareFails;
}

bool FakeLink::OpenPort(int32_t port) {
    opened.push_back(port);
    open = !openFails;
    return open;
}

std::vector<int32_t> FakeLink::Codes() const {
    std::vector<int32_t> codes;
    for (const SentCommand& command : sent)
        codes.push_back(command.Code);
    return codes;
}
