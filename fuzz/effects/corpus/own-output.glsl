#version 300 es
precision highp float;
layout(location = 0) out highp vec4 colour;
uniform lowp vec4 edge = vec4(-1, +2.5f, 0x1F, 010u), other;
uniform float weights[3];
/* a block comment
   over two lines */ void mainImage(out vec4 c, vec2 p) {
    c = edge * weights[1] + other;
}
void helper() { gl_FragColor = colour; }
