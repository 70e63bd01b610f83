# ZorComBklt: the decoder of the rig controller's state answers.
lgm_add_fuzz_target(bklt_state SOURCES bklt_state_fuzz.cpp LIBS ZorComBkltFrames ZorErrorCodes)
