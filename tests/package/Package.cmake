# The panel's version resource is read with version.dll.
target_link_libraries(test_package PRIVATE version)

# The installer and the portable zip: built from the panel, inspected, and
# installed, upgraded and removed in the test run's Wine prefix. Skipped
# (77) where msitools are not installed: only packaging needs them.
add_test(NAME package_installer
         COMMAND python3 -B ${CMAKE_CURRENT_LIST_DIR}/installer_test.py $<TARGET_FILE_DIR:GUI_KV58>
                 ${CMAKE_CURRENT_BINARY_DIR}/package_installer)
set_tests_properties(package_installer PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
