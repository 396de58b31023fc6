#version 100
#extension GL_OES_standard_derivatives : enable
precision mediump float;
uniform float iTime;
uniform sampler2D iChannel1;
// Farbverläufe \
still a comment
void mainImage(out vec4 c, in vec2 p) {
    c = texture2D(iChannel1, p / iResolution.xy) * abs(sin(iTime));
}
void main() { mainImage(gl_FragColor, gl_FragCoord.xy); }
