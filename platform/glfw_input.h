#pragma once

struct GLFWwindow;

// Routes the input seam to a real GLFW window: key and button polling, the cursor, glfwGetTime,
// and a swap that polls events right after glfwSwapBuffers, so key states change only there.
void useGlfwInput(GLFWwindow* window);
