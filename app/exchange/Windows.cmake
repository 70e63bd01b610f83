# The meter operations, the rig window and the service windows: their rules
# in lgmcore, their widgets in lgmui.
target_sources(lgmcore PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/BkltConsole.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MeterExchange.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ServiceRules.cpp)

# The rules on a scripted thread (FakeLink).
lgm_add_test(ExchangeRulesTest
    SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/tests/FakeLink.cpp
        ${CMAKE_CURRENT_LIST_DIR}/tests/ServiceRulesTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/tests/BkltConsoleTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/tests/MeterExchangeTest.cpp
    LIBS lgmcore_testing)

# --- Windows -----------------------------------------------------------------
if(LGM_BUILD_GUI)
    target_sources(lgmui PRIVATE
        ${CMAKE_CURRENT_LIST_DIR}/AboutUnit.cpp
        ${CMAKE_CURRENT_LIST_DIR}/AdaptorUnit.cpp
        ${CMAKE_CURRENT_LIST_DIR}/Bkltunit.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ExchangeWindows.cpp
        ${CMAKE_CURRENT_LIST_DIR}/TestOutUnit.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ThermoUnit.cpp
        ${CMAKE_CURRENT_LIST_DIR}/TunePortUnit.cpp
        ${CMAKE_CURRENT_LIST_DIR}/XchgViewUnit.cpp)

    # One window alone, filled as in use, for the screenshots.
    add_executable(lgmexchangedemo ${CMAKE_CURRENT_LIST_DIR}/demo/ExchangeWindowsDemo.cpp)
    target_link_libraries(lgmexchangedemo PRIVATE lgmui)

    # The windows end to end against lgmsim, on the thread's virtual clock.
    lgm_add_test(ExchangeWindowsTest
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/ExchangeWindowsTest.cpp
        LIBS lgmui lgmcore_testing lgmexchange_testing lgmsim_testing
        TIMEOUT 300
        GUI)
    if(TARGET ExchangeWindowsTest)
        set_target_properties(ExchangeWindowsTest PROPERTIES AUTOMOC ON)
    endif()
endif()
