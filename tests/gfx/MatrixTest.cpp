// The door's matrices against the driver's: every operation the player
// uses, in long random sequences, must leave the CPU copy equal bit for bit
// to what the fixed-function driver built from the same calls (a shader
// renderer draws from the copy). Also the stack limits, kept in step.
#include "GLWindow.h"
#include "gfx/Gfx.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

namespace {

gfx::Matrix4 driverMatrix(GLenum which) {
    gfx::Matrix4 m;
    glGetFloatv(which, m.m.data());
    return m;
}

// Bitwise, so that -0 and 0 or NaNs are told apart as a driver would.
bool sameBits(const gfx::Matrix4& a, const gfx::Matrix4& b) {
    return std::memcmp(a.m.data(), b.m.data(), sizeof a.m) == 0;
}

std::string show(const gfx::Matrix4& m) {
    std::string s;
    for (float v : m.m) s += std::to_string(v) + " ";
    return s;
}

class DoorMatrices : public testing::Test {
protected:
    static void SetUpTestSuite() { window_ = std::make_unique<GLWindow>(32, 32); }
    static void TearDownTestSuite() { window_.reset(); }
    void SetUp() override {
        if (!testsupport::fixedFunctionDriver())
            GTEST_SKIP() << "compares the door's matrices with the fixed-function driver's "
                            "own stacks; the shader renderer has none (the door's copy is the "
                            "same code under either renderer)";
        ASSERT_TRUE(window_->ok()) << window_->error();
        ASSERT_TRUE(window_->installBackend()) << window_->error();
        for (GLenum mode : {GL_PROJECTION, GL_TEXTURE, GL_MODELVIEW}) {
            glMatrixMode(mode);
            glLoadIdentity();
        }
    }
    static std::unique_ptr<GLWindow> window_;
};

std::unique_ptr<GLWindow> DoorMatrices::window_;

TEST_F(DoorMatrices, EveryOperationEqualsTheDriversBitForBit) {
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> value(-50.0f, 50.0f);
    std::uniform_real_distribution<float> angle(-720.0f, 720.0f);
    std::uniform_int_distribution<int> pick(0, 11);
    const float axes[][3] = {{0, 0, 1},  {0, 0, -1}, {0, 1, 0},     {0, -1, 0}, {1, 0, 0},
                             {-1, 0, 0}, {1, 1, 0},  {0.3f, -2, 5}, {0, 0, 0},  {1e-5f, 0, 1e-5f}};
    for (int round = 0; round < 200; ++round) {
        gfx::matrixMode(round % 3 == 0 ? gfx::MatrixMode::projection : gfx::MatrixMode::modelView);
        gfx::loadIdentity();
        for (int step = 0; step < 12; ++step) {
            const float a = value(random), b = value(random), c = value(random);
            switch (pick(random)) {
            case 0: gfx::translate(a, b, c); break;
            case 1: gfx::scale(a / 10, b / 10, 1.0f); break;
            case 2:
            case 3: {
                const float* axis = axes[static_cast<unsigned>(random()) % 10];
                gfx::rotate(angle(random), axis[0], axis[1], axis[2]);
                break;
            }
            case 4: gfx::rotate(0.0f, 0, 0, 1); break;
            case 5: gfx::ortho(a, a + 1 + std::abs(b), -c, -c + 3, -1, 1); break;
            case 6: gfx::perspective(std::abs(a) + 1, 1.25 + b / 100, 0.1, 1000); break;
            case 7: {
                gfx::Matrix4 m;
                for (float& v : m.m) v = value(random) / 25;
                gfx::multMatrix(m);
                break;
            }
            case 8: gfx::pushMatrix(); break;
            case 9: gfx::popMatrix(); break;
            case 10: {
                gfx::Matrix4 m;
                m.m[12] = a;
                gfx::loadMatrix(m);
                break;
            }
            default: gfx::translate(0.5f, -0.25f, 0.0f); break;
            }
        }
        for (auto [mode, name] : {std::pair{gfx::MatrixMode::modelView, GL_MODELVIEW_MATRIX},
                                  std::pair{gfx::MatrixMode::projection, GL_PROJECTION_MATRIX}}) {
            const gfx::Matrix4 driver = driverMatrix(name);
            ASSERT_TRUE(sameBits(gfx::matrix(mode), driver))
                << "round " << round << "\n door   " << show(gfx::matrix(mode)) << "\n driver "
                << show(driver);
        }
        // Unwind what the round pushed, as the driver does.
        for (gfx::MatrixMode mode : {gfx::MatrixMode::modelView, gfx::MatrixMode::projection}) {
            gfx::matrixMode(mode);
            for (int i = 0; i < 40; ++i) gfx::popMatrix();
        }
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// A push beyond the stack's depth and a pop of its last matrix are refused
// by the door and never reach the driver, so the two stay in step.
TEST_F(DoorMatrices, StackLimitsKeepDoorAndDriverInStep) {
    gfx::matrixMode(gfx::MatrixMode::projection);
    gfx::popMatrix();
    gfx::loadIdentity();
    for (int i = 0; i < 10; ++i) {
        gfx::pushMatrix();
        gfx::translate(1.0f, 0.0f, 0.0f);
    }
    EXPECT_EQ(gfx::matrix(gfx::MatrixMode::projection).at(0, 3), 10.0f) << "pushes past 4 refused";
    EXPECT_TRUE(
        sameBits(gfx::matrix(gfx::MatrixMode::projection), driverMatrix(GL_PROJECTION_MATRIX)));
    for (int i = 0; i < 10; ++i) gfx::popMatrix();
    EXPECT_EQ(gfx::matrix(gfx::MatrixMode::projection).at(0, 3), 0.0f);
    GLint depth = 0;
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    gfx::matrixMode(gfx::MatrixMode::modelView);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
